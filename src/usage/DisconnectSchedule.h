// The scheduled-disconnect rule checked by the main window's timer, and the conversions between
// the limit the main window keeps and the number its dialog shows.
// Modes: 0 "Minutos de conexión", 1 "Horas de conexión" (limit: minutes of connection, hours
// held as minutes); 2 "Minutos desde ahora", 3 "Horas desde ahora" (limit: the moment to hang
// up, seconds since 1970 in 32 bits).
#pragma once

#include <cstdint>

constexpr uint32_t kDisconnectModeCount = 4;

// True when the timer must switch the schedule off (and hang up, if a call is up). callSeconds
// is the length of the call that is up (0 when none); now is the wall clock.
bool IsDisconnectDue(uint32_t mode, uint32_t limit, int64_t callSeconds, int64_t now);
// The number the dialog shows for a stored limit.
uint32_t LimitToAmount(uint32_t mode, uint32_t limit, int64_t now);
// The limit to store for a typed number (normalised first). False, storing nothing, when mode
// is outside 0..3 (nothing selected in the list).
bool AmountToLimit(int mode, uint32_t amount, int64_t now, uint32_t& limit, uint32_t& storedMode);
// A typed 0, or anything above 59, becomes 1.
uint32_t NormaliseAmount(uint32_t amount);
