// The brush, fonts and built-in images that start-up creates for the windows.
#pragma once

// Creates the white brush, fonts 0 to 3 and images 0 to 3 in the process state.
void CreateSharedResources();
