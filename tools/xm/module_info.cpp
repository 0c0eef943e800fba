// info: what the loader made of a module, in tracker notation.
#include <cstdio>

#include "commands.h"

namespace tavrin::xmtool {

namespace {

void PrintCell(const XmNote& cell) {
    static const char* const kNames[] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                         "F#", "G-", "G#", "A-", "A#", "B-"};
    if (cell.note == kKeyOffNote)
        std::printf("=== ");
    else if (cell.note >= 1 && cell.note <= kNoteCount)
        std::printf("%s%d ", kNames[(cell.note - 1) % 12], (cell.note - 1) / 12);
    else
        std::printf("--- ");
    cell.instrument ? std::printf("%02X ", cell.instrument) : std::printf(".. ");
    cell.volume ? std::printf("%02X ", cell.volume) : std::printf(".. ");
    if (cell.effect || cell.parameter)
        std::printf("%c%02X", cell.effect < 10 ? '0' + cell.effect : 'A' + cell.effect - 10,
                    cell.parameter);
    else
        std::printf("...");
}

void PrintPatterns(const XmModule& module) {
    for (int32_t p = 0; p < module.allocatedPatterns; ++p) {
        const XmPattern& pattern = module.patterns[p];
        std::printf("\npattern %d: %d rows%s\n", p, pattern.rows, pattern.notes ? "" : ", empty");
        if (!pattern.notes) continue;
        for (int32_t r = 0; r < pattern.rows; ++r) {
            std::printf("%3d |", r);
            for (int32_t k = 0; k < module.channelCount; ++k) {
                std::printf(" ");
                PrintCell(pattern.notes[r * module.channelCount + k]);
                std::printf(" |");
            }
            std::printf("\n");
        }
    }
}

void PrintEnvelope(const char* name, const EnvelopePoint* points, int count, int type, int sustain,
                   int loopStart, int loopEnd) {
    std::printf("    %s envelope: %s%s%s, %d points", name, type & kEnvelopeOn ? "on" : "off",
                type & kEnvelopeSustain ? ", sustain" : "", type & kEnvelopeLoop ? ", loop" : "",
                count);
    if (type & kEnvelopeSustain) std::printf(" (sustain %d)", sustain);
    if (type & kEnvelopeLoop) std::printf(" (loop %d-%d)", loopStart, loopEnd);
    for (int i = 0; i < count; ++i) std::printf(" %d:%d", points[i].tick, points[i].value);
    std::printf("\n");
}

void PrintInstruments(const XmModule& module) {
    static const char* const kLoops[] = {"", "none", "forward", "", "ping-pong"};
    for (int i = 0; i < module.instrumentCount; ++i) {
        const XmInstrument& in = module.instruments[i];
        std::printf(
            "\ninstrument %d: %d samples, fadeout %d, auto-vibrato type %d sweep %d "
            "depth %d rate %d\n",
            i + 1, in.sampleCount, in.fadeout, in.vibratoType, in.vibratoSweep, in.vibratoDepth,
            in.vibratoRate);
        if (in.sampleCount == 0) continue;
        PrintEnvelope("volume", in.volumeEnvelope, in.volumePointCount, in.volumeType,
                      in.volumeSustainPoint, in.volumeLoopStart, in.volumeLoopEnd);
        PrintEnvelope("panning", in.panningEnvelope, in.panningPointCount, in.panningType,
                      in.panningSustainPoint, in.panningLoopStart, in.panningLoopEnd);
        for (int s = 0; s < in.sampleCount; ++s) {
            const XmSample& sm = *in.samples[s];
            std::printf(
                "    sample %d: %u elements, loop %s %u+%u, volume %d, finetune %d, "
                "panning %d, relative note %d\n",
                s, sm.length, sm.loopMode <= 4 ? kLoops[sm.loopMode] : "?", sm.loopStart,
                sm.loopLength, sm.volume, sm.finetune, sm.panning, sm.relativeNote);
        }
    }
}

}  // namespace

int Info(const Arguments& arguments) {
    XmModule* module = LoadModuleFile(arguments.operands[0]);
    if (!module) return 1;
    std::printf("channels %d, patterns %d (%d referenced), instruments %d\n", module->channelCount,
                module->allocatedPatterns, module->referencedPatterns, module->instrumentCount);
    std::printf("song length %d, restart %d, speed %d, tempo %d BPM, %s frequencies\n",
                module->songLength, module->restartPosition, module->defaultSpeed,
                module->defaultBpm, module->flags & kLinearFrequencies ? "linear" : "Amiga");
    std::printf("orders:");
    for (int i = 0; i < module->songLength && i < 256; ++i)
        std::printf(" %d", module->orderTable[i]);
    std::printf("\n");
    PrintPatterns(*module);
    PrintInstruments(*module);
    FreeModule(module);
    return 0;
}

}  // namespace tavrin::xmtool
