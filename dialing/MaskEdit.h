#pragma once

#include <QLineEdit>
#include <string>

// The toolkit's masked edit for landline numbers, (aaa)bbb-cccc with the area code
// optional. Its text keeps the literals and reads blank positions as spaces, always 13
// characters, which QLineEdit's own text() does not do.
class MaskEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit MaskEdit(const QString &objectName, QWidget *parent = nullptr);

    std::string maskedText() const;
    // Refuses an incomplete number: says so and puts the caret where a digit is missing.
    bool checkComplete();
    // Any stored text is fitted into the mask; digits keep their positions.
    void setMaskedText(const std::string &text);

    // Said beside the field when a typed digit finds no place in it.
    static QString overflowNote();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Where the first required digit is missing, or -1 when the number is complete.
    int firstMissingDigit() const;
};
