#include "ByteStream.h"
