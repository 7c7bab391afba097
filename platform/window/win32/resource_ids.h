#pragma once

// Shared by the resource script and the code.
#define TONVEX_ICON 1
