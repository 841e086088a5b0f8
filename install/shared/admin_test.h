// The administrator test shared by the setup stub and the uninstaller.
#pragma once

// True on Windows 2000 and later (`os`: startup/os_version.h) when this
// process is no administrator: the service control manager of the local
// machine does not open with the access mask 0xF000F (standard rights
// required, connect, create service, enumerate service, lock). Older
// systems do not ask.
bool LacksAdministratorRights(int os);
