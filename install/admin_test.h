// The administrator test shared by the setup stub and the uninstaller.
#pragma once

// True when the service control manager of the local machine opens with the
// access mask 0xF000F (standard rights required, connect, create service,
// enumerate service, lock).
bool IsAdministrator();
