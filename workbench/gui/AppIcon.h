#pragma once

#include <QIcon>

// The program's icon: a black letter on a white page, drawn at start-up.
QIcon RecognizeIcon();
