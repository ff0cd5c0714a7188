#include "CodePage1251.h"
