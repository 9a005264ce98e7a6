#pragma once

#include "dating/conception.h"

#include <QDialog>

class EntryField;
class Pregnancy;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Datation de la grossesse": fixes the conception date by the last period and its cycle, the
// first-trimester scan, or assisted reproduction, and converts any day to its age and back. It
// changes nothing itself: "Appliquer au calendrier" hands the dating to whoever opened it.
class DatingDialog : public QDialog
{
    Q_OBJECT

public:
    DatingDialog(const Pregnancy &pregnancy, const dating::Clock &clock, QWidget *parent = nullptr);

signals:
    void datingChosen(const dating::ConceptionDating &dating);

private:
    enum Method { ByPeriod, ByScan, ByReproduction };

    void buildControls();
    QWidget *periodSection();
    QWidget *scanSection();
    QWidget *reproductionSection();
    QWidget *converterSection();
    void whenEdited(QObject *field, Method method);
    void refresh();
    dating::Dated currentDating(QString &problem) const;
    std::optional<dating::Date> fieldDate(
        const QLineEdit *field, const QString &name, QString &problem) const;
    void describeScan(const dating::Dated &dated);
    void convert();
    void apply();

    const Pregnancy &m_pregnancy;
    const dating::Clock &m_clock;
    const bool m_datedByReproduction;
    std::optional<dating::Dated> m_retained;

    QButtonGroup *m_methods = nullptr;
    QRadioButton *m_byPeriod = nullptr;
    QRadioButton *m_byScan = nullptr;
    QRadioButton *m_byReproduction = nullptr;
    QSpinBox *m_cycle = nullptr;
    EntryField *m_scanDate = nullptr;
    QLineEdit *m_crl = nullptr;
    QComboBox *m_formula = nullptr;
    QComboBox *m_policy = nullptr;
    QLabel *m_scanResult = nullptr;
    QRadioButton *m_byRetrieval = nullptr;
    QRadioButton *m_byTransfer = nullptr;
    EntryField *m_retrievalDate = nullptr;
    EntryField *m_transferDate = nullptr;
    QSpinBox *m_embryoAge = nullptr;
    QLabel *m_result = nullptr;
    EntryField *m_ageDate = nullptr;
    QLabel *m_ageResult = nullptr;
    QSpinBox *m_weeks = nullptr;
    QSpinBox *m_days = nullptr;
    QLabel *m_dateResult = nullptr;
    QPushButton *m_apply = nullptr;
};

namespace datingdialog {

// Opens the dialog over parent; a dating applied goes into the pregnancy.
void openDating(QWidget *parent, Pregnancy &pregnancy, const dating::Clock &clock);

} // namespace datingdialog
