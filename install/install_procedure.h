// The installation itself: runs when the user confirms it in the wizard.
#pragma once

// Shows the installation page, creates the program group, unpacks the
// payload into the install folder and runs the install tasks. Returns 1.
int InstallProcedure();
