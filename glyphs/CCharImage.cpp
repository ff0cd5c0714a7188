#include "CCharImage.h"
