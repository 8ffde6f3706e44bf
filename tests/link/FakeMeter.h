#pragma once
// Kept for the tests that name it here; the scripted meter lives with the test rig.
#include "support/FakeMeter.h"
