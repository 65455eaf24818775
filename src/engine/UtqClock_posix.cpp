// Without a multimedia timer nothing ticks here: the clock can be stopped, never started.
#include "UtqClock.h"

#include "UtqPlayerState.h"
#include "movie/tqClasses.h"

void SetTimerActive(bool on) {
  PlayerState.MMTimer = 0;
  if (on) throw Exception("MMTimer = 0");
}
