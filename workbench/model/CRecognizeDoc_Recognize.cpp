#include "CRecognizeDoc.h"
