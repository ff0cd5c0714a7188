#include "CDictionary.h"
