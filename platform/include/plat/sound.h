// Sound output through a replaceable sink. The platform knows no audio
// device: without a sink there are no devices and nothing plays; a test or a
// backend installs a sink to receive what would be played.
#ifndef PLAT_SOUND_H_
#define PLAT_SOUND_H_

#include "plat/types.h"

namespace plat {

constexpr UINT SND_SYNC = 0x0000;
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;
constexpr UINT SND_MEMORY = 0x0004;
constexpr UINT SND_LOOP = 0x0008;
constexpr UINT SND_NOSTOP = 0x0010;

class SoundSink {
 public:
  virtual ~SoundSink() = default;
  virtual UINT DeviceCount() = 0;
  // Plays `sound` (a file name, or the bytes of a sound with SND_MEMORY;
  // NULL stops what plays); TRUE when it was played or stopped.
  virtual BOOL Play(const char* sound, UINT flags) = 0;
};

// Makes `sink` the process's sink (not owned); NULL removes it. Gives back
// the sink set before.
SoundSink* SetSoundSink(SoundSink* sink);

// The sink's device count; 0 without a sink.
UINT waveOutGetNumDevs();
// FALSE without a sink; otherwise what the sink answers.
BOOL sndPlaySound(const char* sound, UINT flags);

}  // namespace plat

#endif  // PLAT_SOUND_H_
