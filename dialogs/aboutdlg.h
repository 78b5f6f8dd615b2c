#pragma once
// The About dialog: product and system information and support links.

#include "ui_AboutDialog.h"

#include <QDialog>
#include <QString>

// Browser application chosen for links; empty, so links open in the
// desktop's default application.
extern QString strDefaultBrowser;

class AboutDlg : public QDialog, public Ui::AboutDialog
{
    Q_OBJECT

public:
    explicit AboutDlg(QWidget *parent = nullptr);
    ~AboutDlg() override;

    // The support link in TicketLabel, shown only when text and link are set.
    void GetSUpport();
    // Contact entries of the link property list: read, not shown.
    void GetReach_1_Name();
    void GetReach_2_Name();
    void GetReach_3_Name();
    void GetReach_4_Name();
    void GetReach_5_Name();
    void GetReach_6_Name();
    void GetSkype_ID();
    void GetReachNo_1();
    void GetReachNo_2();
    void GetReachNo_3();
    void GetReachNo_4();
    void GetReachNo_5();
    void GetReachNo_6();
    void GetSkype_ID_Link();
    void GetContactLink();
    void GetWebsiteLabel();
    void GetKBInfo();
    // Puts the enquiry link into TicketLabel; its visibility stays as it is.
    void GetSubmitEnquiry();

private slots:
    // Opens the end-user agreement PDF of the bundle.
    void OpenLicense();
    // Opens link in the desktop's default application.
    void BrowseForAbout(QString link);

private:
    // Construction steps, in the order the constructor runs them.
    void init();
    void GetSystemInfo();
    void ConnectSignals();
};
