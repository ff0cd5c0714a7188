#include "CCharImageFont.h"
