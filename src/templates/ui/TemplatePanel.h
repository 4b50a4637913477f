#pragma once
// The template list of a window: List1 with its save and delete buttons (and
// the window's reset button beside them). Saving asks for a name, loading
// is a double-click on the list (every selected entry in list order, the last
// one wins), deleting asks first. The panel knows templates only through the
// four functions it is given, so the sector window and the two drive-test
// windows share it over their own files.
#include <QGroupBox>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace tessaro::ui {

struct TemplateStore {
  std::function<std::vector<std::string>()> list;          // file names, with ".txt"
  std::function<void(const std::string& name)> save;       // the window's values as NAME.txt; throws Error
  std::function<void(const std::string& fileName)> load;   // into the window; throws Error, changing nothing
  std::function<void(const std::string& fileName)> remove; // throws Error
};

struct TemplatePanelDesign {
  QString frame;         // the frame's caption ("" for none)
  const char* saveName;  // the save button's object name and caption
  QString saveCaption;
  const char* deleteName;
  QString deleteCaption;
  QString prompt;        // the name prompt of the save command
};

class TemplatePanel : public QGroupBox {
  Q_OBJECT
 public:
  TemplatePanel(const TemplatePanelDesign& design, TemplateStore store, QWidget* parent);

  QListWidget* list() const { return list_; }
  // Inserts a button of the window (its reset) in the button column.
  void insertButton(int index, QPushButton* button);
  // Refills List1 from the store.
  void refresh();

  void save();
  void loadSelected();
  void deleteSelected();

 private:
  QStringList selected() const;

  TemplateStore store_;
  QString prompt_;
  QListWidget* list_;
  QVBoxLayout* buttons_;
};

}  // namespace tessaro::ui
