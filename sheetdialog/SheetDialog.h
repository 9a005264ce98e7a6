#pragma once

#include "dating/calendar.h"

#include <QDialog>

#include <functional>
#include <optional>

class EntryField;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

class Pregnancy;

namespace sheet {
struct Sheet;
}

// "Fiche de grossesse": the sheet of the window's pregnancy, followed as it changes, with the
// patient's name (never kept), the situation that sets the leave, a live preview, the dating
// dialog, and the actions that hand the sheet over: print, PDF, clipboard, calendar.
class SheetDialog : public QDialog
{
    Q_OBJECT

public:
    SheetDialog(Pregnancy &pregnancy, const dating::Clock &clock, QWidget *parent = nullptr);
    ~SheetDialog() override;

    // Asks where to save: caption, suggested path and filter; an empty answer cancels.
    using FileChooser = std::function<QString(QWidget *, const QString &, const QString &, const QString &)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // Offers to open an exported calendar file with the user's calendar application.
    using CalendarOffer = std::function<void(QWidget *, const QString &)>;
    void setCalendarOffer(CalendarOffer offer) { m_offerCalendar = std::move(offer); }

private:
    void buildControls();
    void refresh();
    void print();
    void savePdf();
    void copy();
    void copySummary();
    void exportCalendar();
    QString suggestedPath(const QString &extension) const;
    bool save(const QString &path, const QByteArray &bytes);
    void tell(const QString &message);

    Pregnancy &m_pregnancy;
    const dating::Clock &m_clock;
    const dating::Date m_today;
    std::unique_ptr<sheet::Sheet> m_sheet;
    FileChooser m_chooseFile;
    CalendarOffer m_offerCalendar;

    QLineEdit *m_patient = nullptr;
    QComboBox *m_children = nullptr;
    QComboBox *m_fetuses = nullptr;
    QCheckBox *m_rhesusNegative = nullptr;
    EntryField *m_birth = nullptr;
    QTextBrowser *m_preview = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_pdf = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_copySummary = nullptr;
    QPushButton *m_calendar = nullptr;
    QPushButton *m_dating = nullptr;
    QLabel *m_datingLine = nullptr;
};
