#include "TPickerSignals.h"

TPickerSignals& TPickerSignals::Instance()
{
    static TPickerSignals instance;
    return instance;
}
