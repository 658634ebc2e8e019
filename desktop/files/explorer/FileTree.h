// One side's folder tree: a root item, folders listed when first expanded, files with their
// size and date, multiple selection, label editing for renames, a name filter, and drags of
// files out of it and drops onto its folders. The tree holds no file source: it asks its
// window for listings and renames through signals and shows what comes back.
// Threads: the user-interface thread.
// Ownership: the icons are not owned and must outlive the tree.
#pragma once

#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <vector>

#include "desktop/files/FileEntry.h"

class QMimeData;

namespace mirrodex {

class FileIcons;

enum class ItemKind { kRoot = 0, kFolder = 1, kFile = 2 };

// The MIME type of files dragged out of a tree: "pc" or "device", a newline, then one full path
// per line.
inline constexpr const char* kExplorerMimeType = "application/x-mirrodex-files";

class FileTree : public QTreeWidget {
  Q_OBJECT

 public:
  enum Column { kNameColumn = 0, kSizeColumn = 1, kDateColumn = 2 };

  FileTree(bool device, FileIcons& icons, QWidget* parent = nullptr);

  bool IsDevice() const { return device_; }
  QChar Separator() const { return device_ ? QChar('\\') : QChar('/'); }
  // `folder` and `name` joined with one separator.
  QString Join(const QString& folder, const QString& name) const;

  // Clears the tree and inserts the root item for `path`, not listed yet.
  QTreeWidgetItem* SetRoot(const QString& path);
  QTreeWidgetItem* RootItem() const { return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr; }
  // Replaces the children of `folder` with `entries`, hidden and system entries left out,
  // folders first, then by name.
  void Fill(QTreeWidgetItem* folder, std::vector<FileEntry> entries);
  // Adds one entry below a listed folder and returns its item.
  QTreeWidgetItem* AddEntry(QTreeWidgetItem* folder, const FileEntry& entry);
  // A child of `folder` named `name`, compared without case; nullptr when there is none.
  QTreeWidgetItem* FindChild(QTreeWidgetItem* folder, const QString& name) const;
  // Gives `item` a new name (and its descendants their new paths).
  void SetName(QTreeWidgetItem* item, const QString& name);
  // Forgets what `folder` holds, so the next expansion lists it again.
  void Forget(QTreeWidgetItem* folder);

  static ItemKind KindOf(const QTreeWidgetItem* item);
  static QString PathOf(const QTreeWidgetItem* item);
  static QString NameOf(const QTreeWidgetItem* item);
  static bool IsListed(const QTreeWidgetItem* item);
  static bool IsFolderLike(const QTreeWidgetItem* item) {
    return item && KindOf(item) != ItemKind::kFile;
  }
  static QString SizeTextOf(const QTreeWidgetItem* item);
  static QString DateTextOf(const QTreeWidgetItem* item);

  // The current item when it is a folder or the root, else nullptr.
  QTreeWidgetItem* CurrentFolder() const;
  // The selected files, in tree order.
  QList<QTreeWidgetItem*> SelectedFiles() const;
  // Files only (folders stay visible so the tree can still be walked); empty shows all.
  void SetFilter(const QString& text);
  QString Filter() const { return filter_; }
  // A label is being edited.
  bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

  // The drag data of `items`' files (kExplorerMimeType, and text/uri-list on the PC side);
  // nullptr when there is no file among them.
  QMimeData* DragData(const QList<QTreeWidgetItem*>& items) const;

  // The tree's own clipboard for Copy and Paste within this side.
  void SetClipboard(const QStringList& paths) { clipboard_ = paths; }
  const QStringList& Clipboard() const { return clipboard_; }

 signals:
  // An unlisted folder was expanded.
  void listingNeeded(QTreeWidgetItem* folder);
  // The user edited a label; the tree still shows the old name until SetName.
  void renameRequested(QTreeWidgetItem* item, const QString& oldName, const QString& newName);
  void deleteKeyReleased();
  void fileDoubleClicked(QTreeWidgetItem* item);
  // Something was dropped onto `folder` (a folder or the root).
  void dropped(const QMimeData* data, QTreeWidgetItem* folder);

 protected:
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  QTreeWidgetItem* NewItem(QTreeWidgetItem* parent, ItemKind kind, const QString& name,
                           const QString& path);
  void ApplyFilter(QTreeWidgetItem* item);
  void UpdatePaths(QTreeWidgetItem* item, const QString& path);
  QTreeWidgetItem* DropFolder(const QPoint& position) const;
  bool Accepts(const QMimeData* data) const;
  void OnItemChanged(QTreeWidgetItem* item, int column);

  bool device_;
  FileIcons& icons_;
  QString filter_;
  QStringList clipboard_;
  bool updating_ = false;  // item changes made by the tree itself, not by the user's editing
};

}  // namespace mirrodex
