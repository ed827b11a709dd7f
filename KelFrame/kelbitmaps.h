// The bitmap resources of the controls' buttons (42 x 23 and 16 x 16) and slider thumbs
// (32 x 16). A program registers them once before it loads one.
#pragma once

#include <cstdint>

namespace zem {

constexpr uint32_t IDB_NEXTINDEX = 207;
constexpr uint32_t IDB_PAUSE = 208;
constexpr uint32_t IDB_STOP = 210;
constexpr uint32_t IDB_PREVFILE = 212;
constexpr uint32_t IDB_NEXTFILE = 213;
constexpr uint32_t IDB_SETINDEX = 214;
constexpr uint32_t IDB_PREVINDEX = 215;
constexpr uint32_t IDB_PLAY = 216;
constexpr uint32_t IDB_FORWARD = 217;
constexpr uint32_t IDB_REWIND = 218;
constexpr uint32_t IDB_THUMB_BALANCE = 237;
constexpr uint32_t IDB_THUMB_SPEED = 238;
constexpr uint32_t IDB_THUMB_VOLUME = 239;

void RegisterKelBitmaps();

}  // namespace zem
