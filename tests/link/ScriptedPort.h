#pragma once
// Kept for the tests that name it here; the scripted port lives with the test rig.
#include "support/ScriptedPort.h"
