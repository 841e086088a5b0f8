// The wizard's refusals: systems the setup script forbids, and a missing
// .NET Framework. Both show their message and end the run.
#pragma once

void ApplyOperatingSystemGate();
void ApplyFrameworkGate();
