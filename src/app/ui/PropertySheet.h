#pragma once
// The options sheet windows. A CXPropertyPage is a thin widget over its
// page model: it copies controls to the model and back, and finds a field's
// control by the field's name (the control's object name). A
// CModelessPropertySheet is a dialog with one tab per page and its own OK,
// Cancel and Apply buttons; OK and Apply check every page (shown or not)
// before any is applied, and a refusal shows its page, focuses the field and
// says why, applying nothing.

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/OptionPages.h"

class QPushButton;
class QTabWidget;
namespace app {
class CPostedMessageQueue;
}

namespace app {

class CXPropertyPage : public QWidget {
    Q_OBJECT
public:
    CXPropertyPage(std::unique_ptr<app::COptionPageModel> model, QWidget* parent = nullptr);
    ~CXPropertyPage() override;

    app::COptionPageModel& Model() const { return *m_model; }
    // Copies the controls into the model; a control whose text is no value
    // at all (letters in a number) is refused here, before the model checks ranges.
    virtual std::optional<app::CFieldError> ControlsToModel() { return std::nullopt; }
    // Fills the controls from the model.
    virtual void ModelToControls() { }
    // Enables and disables controls by the model's rules (run after each change).
    virtual void UpdateControls() { }
    // The control of a field: the child whose object name is the field's name.
    virtual QWidget* FieldWidget(const std::string& field) const;

private:
    std::unique_ptr<app::COptionPageModel> m_model;
};

class CModelessPropertySheet : public QDialog {
    Q_OBJECT
public:
    explicit CModelessPropertySheet(const QString& caption, QWidget* parent = nullptr);
    ~CModelessPropertySheet() override;

    // The sheet owns its pages; they are filled from their models here.
    void AddPage(CXPropertyPage* page);
    int PageCount() const;
    CXPropertyPage* Page(int i) const;
    QTabWidget* Tabs() const { return m_tabs; }
    // The frame's queue, told of the sheet's opening and closing (0x504).
    void SetFrameQueue(app::CPostedMessageQueue* queue) { m_frameQueue = queue; }
    // How a refusal's message is shown; a message box unless replaced (tests).
    void SetMessageShower(std::function<void(const QString&)> show)
    {
        m_showMessage = std::move(show);
    }
    // F1 anywhere in the sheet asks for the pages' help.
    void SetHelp(std::function<void()> help);
    // Shows the sheet modeless; the sheet deletes itself when closed.
    void ShowModeless();

    // The buttons' actions; true when everything was applied.
    bool OnOk();
    bool OnApply();
    void OnCancel();

    void reject() override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    bool ApplyPages(bool closing);
    void ShowRefusal(const app::CSheetRefusal& refusal);
    void StepPage(int step);

    QTabWidget* m_tabs = nullptr;
    app::COptionSheetModel m_sheet;
    std::vector<CXPropertyPage*> m_pages;
    app::CPostedMessageQueue* m_frameQueue = nullptr;
    std::function<void(const QString&)> m_showMessage;
    bool m_announced = false;
    bool m_closed = false;
    std::uint64_t m_id = 0;
};

}   // namespace app
