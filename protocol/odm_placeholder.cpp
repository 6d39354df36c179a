// Stand-in for the ODM type setter until the command builders exist.
#include "protocol/odm_placeholder.h"
void setODMType(uint32_t) {}
