// Edit > Find: the text to look for, whether its case must match, whether the detail text is
// searched rather than the summary, and the direction. Modeless: Find Next asks the main
// frame to search, and F3/Shift+F3 repeat what was asked last. While a search runs, its
// progress shows and Stop ends it.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "packetlist/TextFind.h"

namespace app {

struct FindRequest {
    QString text;
    bool matchCase = false;
    packetlist::FindIn where = packetlist::FindIn::Summary;
    bool forward = true;
};

class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    FindRequest Request() const;
    QLineEdit& TextField() noexcept { return *m_text; }
    QCheckBox& MatchCase() noexcept { return *m_case; }
    QCheckBox& InDetail() noexcept { return *m_detail; }
    QRadioButton& Up() noexcept { return *m_up; }
    QPushButton& FindNextButton() noexcept { return *m_find; }
    QPushButton& StopButton() noexcept { return *m_stop; }
    QProgressBar& Progress() noexcept { return *m_progress; }

    // A search started (true) or ended (false): Stop and the progress follow.
    void Searching(bool on);
    void SetProgress(int percent) { m_progress->setValue(percent); }

signals:
    void FindRequested(const app::FindRequest& request);
    void StopRequested();

private:
    QLineEdit* m_text;
    QCheckBox* m_case;
    QCheckBox* m_detail;
    QRadioButton* m_up;
    QRadioButton* m_down;
    QPushButton* m_find;
    QPushButton* m_stop;
    QProgressBar* m_progress;
};

}  // namespace app
