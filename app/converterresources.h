#pragma once
// Registers the ":/images/" resources compiled into the converter library.
// The program and every test that shows a window call it once.

void initConverterResources();
