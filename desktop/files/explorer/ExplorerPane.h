// One side of the file manager: a header strip with the side's name, its list of roots
// (PC: home, root folder and volumes; device: the device's storage roots), the Delete, Rename
// and New Folder buttons and a filter field, above that side's file tree.
// Threads: the user-interface thread.
// Ownership: the icons are not owned and must outlive the pane.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace mirrodex {

class FileIcons;
class FileTree;

class ExplorerPane : public QWidget {
  Q_OBJECT

 public:
  ExplorerPane(bool device, FileIcons& icons, QWidget* parent = nullptr);

  FileTree* Tree() const { return tree_; }
  QComboBox* Roots() const { return roots_; }
  QLineEdit* FilterField() const { return filter_; }
  QToolButton* DeleteButton() const { return delete_; }
  QToolButton* RenameButton() const { return rename_; }
  QToolButton* NewFolderButton() const { return newFolder_; }

 signals:
  void deleteClicked();
  void renameClicked();
  void newFolderClicked();
  // The user chose another root (its path is the entry's data).
  void rootChosen(const QString& path);

 private:
  QComboBox* roots_;
  QToolButton* delete_;
  QToolButton* rename_;
  QToolButton* newFolder_;
  QLineEdit* filter_;
  FileTree* tree_;
};

}  // namespace mirrodex
