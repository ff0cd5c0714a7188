#include "CBitImage.h"
