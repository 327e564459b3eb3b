// A module file that breaks the layering rule: the check must refuse it.
#include <QWidget>
