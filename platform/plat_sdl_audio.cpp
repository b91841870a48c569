// plat_sdl_audio.cpp -- the SDL2 backend's audio output: a device whose callback pulls frames
#include "platform/platform_local.h"
#include "platform/plat_sdl.h"

#include <SDL.h>
#include <map>
#include <memory>

namespace plat {

struct SdlOutput {
    AudioFill fill;
    void *user;
};

static bool audio_inited = false;
// Touched by the main thread only; each callback reads its own entry, which outlives the device.
static std::map<SDL_AudioDeviceID, std::unique_ptr<SdlOutput>> outputs;

static void SDLCALL Callback(void *user, Uint8 *stream, int len) {
    SdlOutput *o = (SdlOutput *)user;
    o->fill(o->user, (int16_t *)stream, len / 4);
}

uint32_t SdlAudioOpen(AudioFill fill, void *user, int *rate) {
    // The dummy driver throws the sound away: that is having no device, said on purpose
    // (test runs and headless machines). The disk driver is a real output, to a file.
    const char *drv = getenv("SDL_AUDIODRIVER");
    if (drv && (!strcmp(drv, "dummy") || !strcmp(drv, "none"))) {
        Log("DirectSoundCreate: no audio device (SDL_AUDIODRIVER=%s)", drv);
        return 0;
    }
    if (!audio_inited) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            Log("DirectSoundCreate: no audio device: %s", SDL_GetError());
            return 0;
        }
        audio_inited = true;
    }
    auto o = std::make_unique<SdlOutput>(SdlOutput{fill, user});
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = Callback;
    want.userdata = o.get();
    SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!id) {
        Log("DirectSoundCreate: cannot open the audio device: %s", SDL_GetError());
        return 0;
    }
    *rate = have.freq;
    outputs[id] = std::move(o);
    SDL_PauseAudioDevice(id, 0);
    return id;
}

void SdlAudioClose(uint32_t output) {
    auto it = outputs.find(output);
    if (it == outputs.end()) return;
    SDL_CloseAudioDevice(output); // the callback has stopped once this returns
    outputs.erase(it);
}

void SdlAudioReset() {
    for (auto &o : outputs)
        SDL_CloseAudioDevice(o.first);
    outputs.clear();
    // The next device starts the audio drivers afresh, with whatever SDL_AUDIODRIVER says then.
    if (audio_inited) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio_inited = false;
}

} // namespace plat
