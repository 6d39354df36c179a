// rastertokvlabel: CUPS filter for thermal label and receipt printers.
#include "filter/filter_main.h"

int main(int argc, char** argv) { return filterMain(argc, argv); }
