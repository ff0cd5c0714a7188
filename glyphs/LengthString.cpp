#include "LengthString.h"
