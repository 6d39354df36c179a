// The filter's entry point, callable from the real main and from test harnesses.
#pragma once

int filterMain(int argc, char** argv);
