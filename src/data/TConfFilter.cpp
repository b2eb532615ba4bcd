#include "data/TConfFilter.h"

bool TConfFilter::IsEmpty() const
{
    return Name.isEmpty() && Serie.isEmpty() && Extra.isEmpty() && Speaker.isEmpty() &&
           Credits.IsEmpty();
}
