#include "CRaster.h"
