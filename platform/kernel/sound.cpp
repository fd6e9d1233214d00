// The sound sink; see sound.h.
#include "plat/sound.h"

#include <atomic>

namespace plat {
namespace {

std::atomic<SoundSink*> g_sink{nullptr};

}  // namespace

SoundSink* SetSoundSink(SoundSink* sink) { return g_sink.exchange(sink, std::memory_order_acq_rel); }

UINT waveOutGetNumDevs() {
  SoundSink* sink = g_sink.load(std::memory_order_acquire);
  return sink != nullptr ? sink->DeviceCount() : 0;
}

BOOL sndPlaySound(const char* sound, UINT flags) {
  SoundSink* sink = g_sink.load(std::memory_order_acquire);
  return sink != nullptr ? sink->Play(sound, flags) : FALSE;
}

}  // namespace plat
