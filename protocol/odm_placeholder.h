// Stand-in declaration of the ODM type setter until the command builders exist.
#pragma once
#include <cstdint>
void setODMType(uint32_t type);
