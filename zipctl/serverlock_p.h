// Counts of live objects and server locks, which DllCanUnloadNow reads.
#pragma once

namespace bundlex {
void objectCreated();
void objectDestroyed();
} // namespace bundlex
