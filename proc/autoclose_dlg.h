// The close-programs dialog: lists the programs that hold installation files,
// terminates them and ends with OK while it initialises, so it is never shown
// and never waits for the user.
#pragma once

#include "win/dialog.h"
#include "proc/lock_holder.h"

class cautoclosedlg : public CDialogEx {
public:
    explicit cautoclosedlg(const LockHolderList& holders, CWnd* parent = nullptr);
    ~cautoclosedlg() override = default;

    LockHolderList m_holders;
    CListBox m_list;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    // Esc never closes it.
    void OnCancel() override {}
};
