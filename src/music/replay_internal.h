// Pieces the tick functions share with the effect commands.
#pragma once

#include <cstdint>

#include "music/replay.h"

namespace tavrin {

// What one row start has gathered so far across its channels.
struct RowContext {
    bool jumped = false;   // a position jump is set for the next row
    int32_t loopRow = -1;  // a pattern loop jumps back to this row next, -1 for none
};

// Channel values as they were before the row started (note delay restores them).
struct ChannelSnapshot {
    int32_t volume;
    int32_t period;
    int32_t pan;
};

void ResetForInstrument(ChannelState& channel, const XmSample& sample);

// Period of a 0-based note (already moved by the relative note) in the module's table.
int32_t NotePeriod(const XmModule& module, int32_t realNote, int32_t finetune);
// Frequency in Hz for a period plus its per-tick delta.
int32_t PeriodFrequency(const XmModule& module, int32_t period, int32_t periodDelta);

void StepVolumeEnvelope(ChannelState& channel, const XmInstrument& instrument);
void StepPanningEnvelope(ChannelState& channel, const XmInstrument& instrument);
void SetVolumeEnvelopePosition(ChannelState& channel, const XmInstrument& instrument,
                               int32_t position);
void AutoVibrato(ChannelState& channel, const XmInstrument& instrument);

void VolumeColumnRowStart(ChannelState& channel, uint8_t command);
void VolumeColumnTick(ChannelState& channel, uint8_t command);
void EffectRowStart(XmModule& module, ChannelState& channel, const XmNote& cell,
                    const ChannelSnapshot& before, RowContext& row);
void EffectTick(XmModule& module, ChannelState& channel, const XmNote& cell, XmSample& sample);

}  // namespace tavrin
