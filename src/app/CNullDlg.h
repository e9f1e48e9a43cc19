#pragma once

#include <QDialog>
#include <QPixmap>
#include <QStringList>
#include <QTimer>

class QPushButton;

// The splash window: the splash picture with the program's name and version, closing itself
// after 3 seconds.
class CNullDlg : public QDialog {
    Q_OBJECT

public:
    explicit CNullDlg(QWidget* parent = nullptr);

    int DoModal();
    bool OnInitDialog();
    const QPixmap& bitmap() const { return m_bitmap; }
    QTimer& timer1() { return m_timer1; }
    // The program's name and "Version x.y", as the splash writes them.
    static QStringList titleLines();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawTitle();
    void OnTimer();
    void OnButton1();

    QPixmap m_bitmap;
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;
    QTimer m_timer1;
    QPushButton* m_button1 = nullptr;
};
