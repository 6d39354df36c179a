// "kvlabel submit --test [-d PRINTER] [-u URI]": the client asks the server
// for the printer's model, resolution, media, darkness and speed, draws the
// test label into a temporary file and submits that file instead of "--test".
#pragma once

#include <string>

namespace kvapp {

class TestLabelArgument {
public:
    // Rewrites argv in place when it is "submit ... --test ..."; ok() is false
    // when the label could not be made (a message went to standard error).
    TestLabelArgument(int argc, char* argv[]);
    ~TestLabelArgument();
    TestLabelArgument(const TestLabelArgument&) = delete;
    TestLabelArgument& operator=(const TestLabelArgument&) = delete;
    bool ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ = true;
};

}  // namespace kvapp
