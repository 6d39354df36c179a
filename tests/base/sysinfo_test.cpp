// Distribution detection from release files in a directory of the test's own.
#include <gtest/gtest.h>

#include <fstream>

#include "base/sysinfo.h"
#include "tests/toolkit/toolkit.h"

namespace {

struct Files {
    std::vector<std::pair<std::string, std::string>> files;
    std::string want;
};

TEST(DetectLinuxDistro, ReadsOsReleaseThenTheOlderReleaseFiles) {
    const Files cases[] = {
        {{{"os-release", "PRETTY_NAME=\"Debian GNU/Linux 12\"\nNAME=\"Debian GNU/Linux\"\nID=debian\n"}}, "Debian"},
        {{{"os-release", "ID=debian\nNAME=\"Debian GNU/Linux\"\n"}}, "Linux"},  // first match decides, case matters
        {{{"os-release", "NAME=\"Ubuntu\"\n"}}, "Ubuntu"},
        {{{"os-release", "ID='opensuse-leap'\n"}}, "openSUSE"},
        {{{"os-release", "NAME='Arch Linux'\n"}}, "Arch"},
        {{{"os-release", "NAME=\"Fedora Linux\n"}}, "Fedora"},
        {{{"os-release", "NAME=\"Rhel\"\n"}}, "RedHat"},
        {{{"os-release", "VERSION=1\n"}, {"debian_version", "12\n"}}, "Linux"},  // os-release wins even without a name
        {{{"redhat-release", "Rocky Linux release 9.3\n"}}, "Rocky Linux"},
        {{{"redhat-release", "Something else\n"}}, "RedHat/CentOS"},
        {{{"redhat-release", ""}}, "RedHat/CentOS"},
        {{{"centos-release", "CentOS Linux release 7\n"}}, "CentOS"},
        {{{"debian_version", "12\n"}, {"redhat-release", "Red Hat\n"}}, "Debian"},
        {{{"SuSE-release", ""}}, "SUSE"},
        {{{"alpine-release", "3.19\n"}}, "Alpine"},
        {{}, "Linux"},
    };
    for (const auto& c : cases) {
        kvtest::TempDir dir;
        for (const auto& [name, text] : c.files) std::ofstream(dir.file(name)) << text;
        EXPECT_STREQ(detect_linux_distro_in(dir.path().c_str()), c.want.c_str())
            << (c.files.empty() ? "" : c.files[0].second);
    }
}

TEST(SystemDetails, NamesTheSystemWithinTheBuffer) {
    char text[256];
    get_system_details(text, sizeof text);
    EXPECT_EQ(std::string(text).rfind(std::string(get_operating_system()) + " (Linux ", 0), 0u) << text;
    char small[5] = {'x', 'x', 'x', 'x', 'x'};
    get_os_details(small, 4);
    EXPECT_EQ(small[3], '\0');
    EXPECT_EQ(small[4], 'x');
    init_library();  // composes the line for the silent debug print only
}

}  // namespace
