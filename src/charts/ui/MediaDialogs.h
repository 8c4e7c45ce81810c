#pragma once
// The program's answers to the chart services' questions: message boxes,
// the medium prompt with OK, Cancel and Choose Folder..., and the progress
// dialog of an installation stage (chart number, from, to, the copying
// animation, one bar over the stage's charts and the bytes of the chart in
// hand, Cancel).

#include "charts/hcrf/MediaUi.h"

#include <QDialog>

#include <filesystem>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace app {
class CAviDoc;
}

namespace charts {

class CInstallProgressDlg final : public QDialog, public charts::hcrf::CInstallProgress {
    Q_OBJECT
public:
    // `animation` is the copying animation's video file; the dialog plays
    // nothing when it cannot be opened.
    CInstallProgressDlg(const QString& title, QWidget* parent, const QString& animation = {});
    void SetText(std::string_view chartNumber, std::string_view from, std::string_view to) override;
    void SetProgress(std::size_t chart, std::size_t charts, std::uint64_t bytes,
                     std::uint64_t totalBytes) override;
    bool IsCancelled() override { return m_cancelled; }
    void Pump() override;
    void Animate(bool on) override;
    bool AnimationOpened() const { return m_animationOpened; }
    bool AnimationPlaying() const;

protected:
    void reject() override;

private:
    QLabel* m_chart;
    QLabel* m_from;
    QLabel* m_to;
    QLabel* m_picture;
    app::CAviDoc* m_animation = nullptr;
    bool m_animationOpened = false;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};

class CQtMediaUi final : public charts::hcrf::CMediaUi {
public:
    explicit CQtMediaUi(QWidget* parent) : m_parent(parent) { }
    platform::PromptAnswer Message(std::string_view text, platform::PromptIcon icon,
                                   platform::PromptButtons buttons) override;
    charts::hcrf::MediumAnswer AskForMedium(std::string_view text, std::string_view wanted,
                                            std::string& folder) override;
    std::unique_ptr<charts::hcrf::CInstallProgress> OpenProgress(std::string_view title) override;
    // The program's video folder, which holds the copying animation "FileCopy.avi".
    void SetVideoFolder(std::filesystem::path folder) { m_videoFolder = std::move(folder); }

private:
    // The window the prompts and the progress belong to: the modal sheet the
    // installation runs from while there is one, so that they can be used
    // and the keyboard goes back to the sheet; otherwise the given parent.
    QWidget* Owner() const;

    QWidget* m_parent;
    std::filesystem::path m_videoFolder;
};

}   // namespace charts
