// A headless Chromium driven through chromedriver's WebDriver protocol
// (plain HTTP and JSON on loopback), for the tests of the web interface.
// chromedriver and the browser run in a process group of their own that the
// destructor kills; both die with the test program.
#pragma once

#include <string>

#include "tests/toolkit/toolkit.h"

namespace kvapptest {

class Browser {
public:
    Browser();
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // False when chromedriver or Chromium is missing or did not start.
    bool ready() const { return !session_.empty(); }
    const std::string& error() const { return error_; }

    bool open(const std::string& url);
    // The WebDriver id of the first element matching a CSS selector, or "".
    std::string find(const std::string& css);
    bool click(const std::string& element);
    std::string title();
    // Saves a PNG screenshot of the window.
    bool screenshot(const std::string& path);

private:
    // One WebDriver command; returns the JSON text of "value" ("" on failure).
    std::string command(const std::string& method, const std::string& path, const std::string& body = "");

    kvtest::TempDir profile_;
    int port_ = -1;
    int pid_ = -1;
    std::string session_;
    std::string error_;
};

}  // namespace kvapptest
