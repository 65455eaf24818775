#error "the portable core must not include <windows.h>; put Win32 code in a _win file"
