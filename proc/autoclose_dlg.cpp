#include "proc/autoclose_dlg.h"

#include "proc/processes.h"
#include "res/resource.h"

cautoclosedlg::cautoclosedlg(const LockHolderList& holders, CWnd* parent)
    : CDialogEx(IDD_AUTOCLOSE_DIALOG, parent), m_holders(holders)
{
}

void cautoclosedlg::DoDataExchange()
{
    DDX_Control(IDC_PROGRAM_LIST, m_list);
}

BOOL cautoclosedlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    for (const LockHolder& holder : m_holders)
        m_list.AddString(holder.path.c_str());
    TerminateHolders(m_holders);
    // Ends the dialog before it is ever shown.
    CDialogEx::OnOK();
    return TRUE;
}

void cautoclosedlg::OnOK()
{
    TerminateHolders(m_holders);
    CDialogEx::OnOK();
}
