// Operating-system detection. The RGBA byte order that CUPS hands the
// two-colour filter differs by distribution, so the colour split asks which
// distribution it runs on; the library also composes a one-line description.
#pragma once

#include <cstddef>

// Name of the Linux distribution from /etc (a static string, never null).
const char* detect_linux_distro();
// The same detection reading the release files of another directory (tests).
const char* detect_linux_distro_in(const char* etcDirectory);
// Operating-system name: the distribution on Linux.
const char* get_operating_system();
// "%s (%s %s)": system name, kernel name, kernel release; just the name when
// uname fails. At most size bytes with the terminator.
void get_system_details(char* buffer, size_t size);
void get_os_details(char* buffer, size_t size);
// Composes the description for the (silent) library debug print.
void init_library();
