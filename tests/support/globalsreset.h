#pragma once
// Puts every process-wide variable of the program back to its start value.

void resetAllGlobalsForTest();
