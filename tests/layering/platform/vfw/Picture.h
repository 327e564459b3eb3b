// A Video for Windows file that reaches for Qt: the check must refuse it.
#include <QImage>
