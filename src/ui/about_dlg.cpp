#include "ui/about_dlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg() : platform::Dialog(IDD_ABOUTBOX) {}
