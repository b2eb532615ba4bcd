#include "TTestWindows.h"

#include "TfrmAddPart.h"
#include "TfrmPickConf.h"
#include "TfrmPickExtra.h"
#include "TfrmPickPart.h"
#include "TfrmPickSpeaker.h"
#include "TfrmSignIn.h"
#include "TfrmTimeFilter.h"

#include <utility>

void TTestWindows::CreateDialogs()
{
    frmTimeFilter = new TfrmTimeFilter;
    frmPickConf = new TfrmPickConf;
    frmPickPart = new TfrmPickPart;
    frmPickSpeaker = new TfrmPickSpeaker;
    frmPickExtra = new TfrmPickExtra;
    frmSignIn = new TfrmSignIn;
    frmAddPart = new TfrmAddPart;
}

void TTestWindows::DestroyDialogs()
{
    delete std::exchange(frmAddPart, nullptr);
    delete std::exchange(frmSignIn, nullptr);
    delete std::exchange(frmPickExtra, nullptr);
    delete std::exchange(frmPickSpeaker, nullptr);
    delete std::exchange(frmPickPart, nullptr);
    delete std::exchange(frmPickConf, nullptr);
    delete std::exchange(frmTimeFilter, nullptr);
}
