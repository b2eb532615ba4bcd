#pragma once

#include "data/TConfFilter.h"
#include "data/TIdList.h"
#include "data/TTimeFilter.h"

// What the pages filter by: one conference filter per filtered list, the one time filter they
// all share, and the credit types the Conferences page and the filter panels offer. The main
// window owns one for its whole life and hands it to every page; a page writes only its own
// conference filter.
struct TPageFilters {
    TConfFilter Conf;
    TConfFilter Part;
    TConfFilter Trans;
    TConfFilter Cal;
    TConfFilter SignIn;
    TTimeFilter Time = TTimeFilter::CurrentYear();
    // Every credit type (text c_name, key credit_id), in the order of Credits. The filter
    // panels receive copies that share the key objects.
    TIdList CreditLines;
};
