// The show on this machine: the steady clock, the sound device (or the silent stand-in that
// keeps the song clock running), a full-screen window and its messages.
#include <memory>

#include "platform/audio_device.h"
#include "platform/counter.h"
#include "platform/messages.h"
#include "shell/data_location.h"
#include "shell/show.h"

int main() {
    tavrin::SystemCounter counter;
    std::unique_ptr<tavrin::AudioDevice> audio = tavrin::CreateSystemAudioDevice(counter);
    tavrin::SdlMessagePump messages;

    tavrin::ShowEnvironment environment;
    environment.counter = &counter;
    environment.audio = audio.get();
    environment.messages = &messages;
    environment.archivePath = tavrin::LocateDataArchive();

    tavrin::Show show(std::move(environment));
    return show.Run();
}
