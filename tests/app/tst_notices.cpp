// The main window's notices: the repair-complete dialog made at start-up
// and its "Already Saved." message, and the information sheet.

#include "mainwindowfixture.h"

#include "app/converterresources.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/informationdlg.h"
#include "dialogs/repaircomplete.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestNotices : public QObject
{
    Q_OBJECT

private:
    MainWindowFixture m_fixture;

    InformationDlg *openInformation()
    {
        if (!QMetaObject::invokeMethod(m_fixture.window, "OnOpenInformationDlg"))
            return nullptr;
        return m_fixture.window->m_pInformationDlg;
    }

private slots:
    void initTestCase() { initConverterResources(); }
    void init()
    {
        m_fixture.setUp();
        pConverterWin = m_fixture.window;
    }
    void cleanup() { m_fixture.tearDown(); }

    void repairCompleteIsMadeAfterAboutAndBeforeTheActions()
    {
        QConverterMainWindow *window = m_fixture.window;
        QVERIFY(m_pRepairComplete);
        QCOMPARE(m_pRepairComplete->parentWidget(), window);
        QVERIFY(m_pRepairComplete->isHidden());
        QCOMPARE(m_pRepairComplete->label->text(), QString());
        const QObjectList children = window->children();
        QVERIFY(children.indexOf(window->m_pAboutDlg) < children.indexOf(m_pRepairComplete));
        QVERIFY(children.indexOf(m_pRepairComplete) < children.indexOf(window->preferencesAct));
    }

    void alreadySaveDataShowsTheNotice()
    {
        QConverterMainWindow *window = m_fixture.window;
        window->preferencesAct->setEnabled(false);

        window->AlreadySaveData();

        QVERIFY(m_pRepairComplete->isVisible());
        QLabel *label = m_pRepairComplete->label;
        QCOMPARE(label->text(), QStringLiteral("Already Saved."));
        QCOMPARE(label->font().family(), QStringLiteral("Lucida Grande"));
        QCOMPARE(label->font().pointSize(), 12);
        QCOMPARE(label->font().weight(), int(QFont::Bold));
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(label->palette().color(group, QPalette::WindowText), QColor(Qt::black));
        // The other roles still come from the dialog.
        QCOMPARE(label->palette().color(QPalette::Active, QPalette::Window), QColor(225, 225, 225));
        QVERIFY(window->preferencesAct->isEnabled());

        window->preferencesAct->setEnabled(false);
        window->AlreadySaveData();
        QVERIFY(m_pRepairComplete->isVisible());
        QVERIFY(window->preferencesAct->isEnabled());

        QTest::mouseClick(m_pRepairComplete->OkButton, Qt::LeftButton);
        QVERIFY(m_pRepairComplete->isHidden());
    }

    void informationSheetIsMadeOnceAndReused()
    {
        InformationDlg *first = openInformation();
        QVERIFY(first);
        QCOMPARE(first->parentWidget(), m_fixture.window);
        QVERIFY(first->isVisible());
        QTest::mouseClick(first->Information_Closebutton, Qt::LeftButton);
        QVERIFY(first->isHidden());

        QCOMPARE(openInformation(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(m_fixture.window->findChildren<InformationDlg *>().size(), 1);
    }

    void informationClosing_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::addColumn<bool>("enabledBefore");
        QTest::addColumn<bool>("enabledAfter");
        QTest::newRow("close-enables-preferences") << false << false << true;
        QTest::newRow("close-keeps-enabled-preferences") << false << true << true;
        QTest::newRow("escape-leaves-preferences-disabled") << true << false << false;
    }

    void informationClosing()
    {
        QFETCH(bool, byEscape);
        QFETCH(bool, enabledBefore);
        QFETCH(bool, enabledAfter);
        m_fixture.window->preferencesAct->setEnabled(enabledBefore);
        InformationDlg *sheet = openInformation();
        QVERIFY(sheet);
        QVERIFY(QTest::qWaitForWindowExposed(sheet));

        if (byEscape)
            QTest::keyClick(sheet, Qt::Key_Escape);
        else
            QTest::mouseClick(sheet->Information_Closebutton, Qt::LeftButton);

        QVERIFY(sheet->isHidden());
        QCOMPARE(m_fixture.window->preferencesAct->isEnabled(), enabledAfter);
    }
};

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
