// Compiled by a test with the portable core's options: it must be refused.
#include <windows.h>
