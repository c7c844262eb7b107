// Resource ids of the installer, shared by TolvaneSetup.rc and the code.
#pragma once

// Dialog templates.
#define IDD_SETUP_DIALOG 102
#define IDD_INIT_NOTE 133
#define IDD_AUTOCLOSE_DIALOG 138

// The application icon group.
#define IDR_MAINFRAME 128

// The payload: custom type "QVA", language 2052.
#define IDR_QVA_SETUP_INDEX 129
#define IDR_QVA_SETUP_DATA 130
#define IDR_QVA_SYSTEM_INDEX 131
#define IDR_QVA_SYSTEM_DATA 132

// Controls of the setup window (102).
#define IDC_INSTALL 1001
#define IDC_CANCEL_FINISH 1002
#define IDC_WELCOME 1003
#define IDC_TITLE 1004
#define IDC_PROGRESS 1007
#define IDC_STATUS 1009
#define IDC_RUN_NOW 1011
#define IDC_CREATE_SHORTCUTS 1012
#define IDC_DRIVE_LIST 1018
#define IDC_DRIVE_LABEL 1019

// Controls of the close-programs dialog (138).
#define IDC_CLOSE_AND_INSTALL 1001
#define IDC_CANCEL_INSTALL 1002
#define IDC_PROGRAM_LIST 1017

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
