#include "charts/ui/MediaDialogs.h"

#include "app/StringUtils.h"
#include "app/ui/AviView.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

namespace charts {

namespace {

QString Q(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A path shortened to at most 33 characters by leaving out middle folders.
QString Compact(std::string_view path)
{
    return Q(app::CompactPath(path, 33));
}

}   // namespace

CInstallProgressDlg::CInstallProgressDlg(const QString& title, QWidget* parent,
                                         const QString& animation)
    : QDialog(parent)
{
    setObjectName("InstallProgress");
    setWindowTitle(title);
    setModal(false);
    auto* grid = new QGridLayout;
    m_chart = new QLabel;
    m_from = new QLabel;
    m_to = new QLabel;
    grid->addWidget(new QLabel("Chart No"), 0, 0);
    grid->addWidget(m_chart, 0, 1);
    grid->addWidget(new QLabel("From"), 1, 0);
    grid->addWidget(m_from, 1, 1);
    grid->addWidget(new QLabel("To"), 2, 0);
    grid->addWidget(m_to, 2, 1);
    // The animation control: the video's frames as they play.
    m_picture = new QLabel;
    m_picture->setObjectName("Animation");
    m_picture->setAlignment(Qt::AlignCenter);
    if (!animation.isEmpty()) {
        m_animation = new app::CAviDoc(this);
        m_animationOpened = m_animation->OnOpenDocument(animation, nullptr, 3000);
        if (m_animationOpened) {
            m_animation->Player().setLoops(QMediaPlayer::Infinite);
            connect(&m_animation->Sink(), &QVideoSink::videoFrameChanged, m_picture,
                    [this](const QVideoFrame& frame) {
                        m_picture->setPixmap(QPixmap::fromImage(frame.toImage()));
                    });
        }
    }
    m_bar = new QProgressBar;
    m_bar->setRange(0, 1000);
    m_cancel = new QPushButton("&Cancel");
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_picture);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    setMinimumWidth(420);
    show();
    // In front of the window the installation was started from (the chart
    // management sheet, another window of the main window), so that its
    // Cancel can be reached. A window manager may stack the new dialog only
    // above its own parent, and a raise before it has taken the window in
    // is lost: the dialog is raised again once the stage's work lets events
    // through. It is raised, not activated: the keyboard stays with the
    // window the user works in, and goes back to it when the dialog closes.
    raise();
    QTimer::singleShot(250, this, [this] { raise(); });
    Pump();
}

void CInstallProgressDlg::SetText(std::string_view chartNumber, std::string_view from,
                                  std::string_view to)
{
    m_chart->setText(Q(chartNumber));
    m_from->setText(Compact(from));
    m_to->setText(Compact(to));
}

void CInstallProgressDlg::SetProgress(std::size_t chart, std::size_t charts, std::uint64_t bytes,
                                      std::uint64_t totalBytes)
{
    if (charts == 0)
        return;
    const double part = totalBytes ? double(bytes) / double(totalBytes) : 0.0;
    m_bar->setValue(int((double(chart) + part) / double(charts) * 1000));
}

void CInstallProgressDlg::Animate(bool on)
{
    if (!m_animationOpened)
        return;
    // From the first frame to the last, over and over, until stopped.
    if (on) {
        m_animation->Player().setPosition(0);
        m_animation->Player().play();
    } else {
        m_animation->Player().stop();
    }
}

bool CInstallProgressDlg::AnimationPlaying() const
{
    return m_animationOpened && m_animation->Player().playbackState() == QMediaPlayer::PlayingState;
}

void CInstallProgressDlg::Pump()
{
    QApplication::processEvents();
}

void CInstallProgressDlg::reject()
{
    // Closing the window counts as Cancel; the stage closes it when it ends.
    m_cancelled = true;
}

QWidget* CQtMediaUi::Owner() const
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : m_parent;
}

platform::PromptAnswer CQtMediaUi::Message(std::string_view text, platform::PromptIcon icon,
                                           platform::PromptButtons buttons)
{
    QMessageBox box(Owner());
    box.setWindowTitle("Brinevane");
    box.setText(Q(text));
    box.setIcon(icon == platform::PromptIcon::Stop          ? QMessageBox::Critical
                : icon == platform::PromptIcon::Exclamation ? QMessageBox::Warning
                                                            : QMessageBox::Information);
    box.setStandardButtons(buttons == platform::PromptButtons::OkCancel
                               ? QMessageBox::Ok | QMessageBox::Cancel
                               : QMessageBox::Ok);
    return box.exec() == QMessageBox::Cancel ? platform::PromptAnswer::Cancel
                                             : platform::PromptAnswer::Ok;
}

charts::hcrf::MediumAnswer CQtMediaUi::AskForMedium(std::string_view text, std::string_view,
                                                    std::string& folder)
{
    QMessageBox box(Owner());
    // Titled as every other message box of the program.
    box.setWindowTitle("Brinevane");
    box.setText(Q(text));
    box.setIcon(QMessageBox::Information);
    box.addButton(QMessageBox::Ok);
    box.addButton(QMessageBox::Cancel);
    QPushButton* choose = box.addButton("C&hoose Folder...", QMessageBox::ActionRole);
    box.exec();
    if (box.clickedButton() == choose) {
        QFileDialog chooser(Owner(), "Choose the chart medium's folder");
        chooser.setFileMode(QFileDialog::Directory);
        chooser.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return charts::hcrf::MediumAnswer::Ok;
        folder = chooser.selectedFiles().front().toStdString();
        return charts::hcrf::MediumAnswer::ChooseFolder;
    }
    return box.clickedButton() == box.button(QMessageBox::Cancel)
               ? charts::hcrf::MediumAnswer::Cancel
               : charts::hcrf::MediumAnswer::Ok;
}

std::unique_ptr<charts::hcrf::CInstallProgress> CQtMediaUi::OpenProgress(std::string_view title)
{
    const std::filesystem::path animation =
        m_videoFolder.empty() ? std::filesystem::path() : m_videoFolder / "FileCopy.avi";
    return std::make_unique<CInstallProgressDlg>(Q(title), Owner(),
                                                 QString::fromStdString(animation.string()));
}

}   // namespace charts
