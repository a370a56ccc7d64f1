#pragma once

#include "settings/KeptCopiesOptions.h"

struct AppContext;

// At start-up: the archive takes the size cap, and copies past the retention period
// go, with one log line when any went or when the index could not be read.
void startKeptCopies(AppContext& context, const KeptCopiesOptions& options);

// Before a run: the rotation keeps copies in the archive, or none when they are off.
void chooseKeeper(AppContext& context, bool keepCopies);
