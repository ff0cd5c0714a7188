#include "CPrefixList.h"
