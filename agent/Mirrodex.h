// The five exports of libMirrodex.so, for programs that load it (the host, the bridge).
// Stream mode: the bridge calls fnMirrodex1 (screen session) and fnMirrodex2 (command
// session), each on its own thread, each returning when its session ends.
// TCP mode: a host calls fnMirrodex4 to set up, fnMirrodex3 to start and stop, and polls
// fnMirrodex5. The environment (MIRRODEX_FBDEV, MIRRODEX_ROOT, MIRRODEX_DPI,
// MIRRODEX_PLATFORM, DISPLAY) must be set before the library is loaded.
#pragma once

#include <cstdint>

namespace mirrodex {
class IRAPIStream;
}

extern "C" {

// Host callback codes: 1 a session ended or failed, 2 set-up failed, 4 the screen session
// connected, 5 a connection or opening failed.
typedef void (*MirrodexHostCallback)(uint32_t code);

// Runs the screen session on `stream` until it ends; the sizes and buffers are not used.
// Returns 0.
int32_t fnMirrodex1(uint32_t inputSize, uint8_t* input, uint32_t* outputSize, uint8_t** output,
                    mirrodex::IRAPIStream* stream);
// Runs the command session on `stream` until it ends. Returns 0.
int32_t fnMirrodex2(uint32_t inputSize, uint8_t* input, uint32_t* outputSize, uint8_t** output,
                    mirrodex::IRAPIStream* stream);
// start != 0: connects both sessions to `host` (UTF-16, NUL-terminated, at most 259
// characters; null or empty = the sync link address) and returns the stop flag (0 when they
// run). start == 0: stops both sessions within about 1.5 s and returns 1.
uint8_t fnMirrodex3(uint8_t start, const char16_t* host);
// callback != null: stores it and sets up the screen (callback code 2 and a non-zero result
// when no screen can be opened); bounds, when given, receive 0, 0, width, height.
// callback == null, bounds != null: reports the geometry only. Both null: stops the
// sessions and releases the screen. `reserved` is ignored.
int32_t fnMirrodex4(MirrodexHostCallback callback, int32_t* bounds, void* reserved);
// The stop flag: 1 = not running, 0 = running.
uint8_t fnMirrodex5(void);

typedef int32_t (*FnMirrodexStream)(uint32_t, uint8_t*, uint32_t*, uint8_t**, mirrodex::IRAPIStream*);
typedef uint8_t (*FnMirrodex3)(uint8_t, const char16_t*);
typedef int32_t (*FnMirrodex4)(MirrodexHostCallback, int32_t*, void*);
typedef uint8_t (*FnMirrodex5)(void);
}
