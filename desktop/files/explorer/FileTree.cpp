#include "desktop/files/explorer/FileTree.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "desktop/files/FileTexts.h"
#include "desktop/files/explorer/ExplorerTexts.h"
#include "desktop/files/explorer/FileIcons.h"

namespace mirrodex {
namespace {

enum Role {
  kKindRole = Qt::UserRole,
  kPathRole,
  kNameRole,
  kListedRole,
  kSizeTextRole,
  kDateTextRole,
};

class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = old_; }

 private:
  bool& flag_;
  bool old_;
};

}  // namespace

FileTree::FileTree(bool device, FileIcons& icons, QWidget* parent)
    : QTreeWidget(parent), device_(device), icons_(icons) {
  setObjectName(device ? "deviceTree" : "localTree");
  setColumnCount(3);
  setHeaderLabels(
      {explorer_text::kNameColumn, explorer_text::kSizeColumn, explorer_text::kDateColumn});
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
  header()->setSectionResizeMode(kSizeColumn, QHeaderView::ResizeToContents);
  header()->setSectionResizeMode(kDateColumn, QHeaderView::ResizeToContents);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
  setDropIndicatorShown(true);
  setUniformRowHeights(true);
  setAnimated(true);
  setAlternatingRowColors(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setExpandsOnDoubleClick(true);
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (IsFolderLike(item) && !IsListed(item)) emit listingNeeded(item);
  });
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
    if (KindOf(item) == ItemKind::kFile) emit fileDoubleClicked(item);
  });
  connect(this, &QTreeWidget::itemChanged, this, &FileTree::OnItemChanged);
}

QString FileTree::Join(const QString& folder, const QString& name) const {
  if (folder.isEmpty() || folder.endsWith(Separator())) return folder + name;
  return folder + Separator() + name;
}

QTreeWidgetItem* FileTree::NewItem(QTreeWidgetItem* parent, ItemKind kind, const QString& name,
                                   const QString& path) {
  ScopedFlag guard(updating_);
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  item->setText(kNameColumn, name);
  item->setData(kNameColumn, kKindRole, static_cast<int>(kind));
  item->setData(kNameColumn, kPathRole, path);
  item->setData(kNameColumn, kNameRole, name);
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (kind != ItemKind::kRoot) flags |= Qt::ItemIsEditable;
  flags |= kind == ItemKind::kFile ? Qt::ItemIsDragEnabled : Qt::ItemIsDropEnabled;
  item->setFlags(flags);
  if (kind == ItemKind::kFile) {
    item->setIcon(kNameColumn, icons_.ForFile(name));
  } else {
    item->setIcon(kNameColumn, kind == ItemKind::kRoot
                                   ? (device_ ? icons_.DeviceRoot() : icons_.ForLocalRoot(path))
                                   : icons_.Folder());
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  }
  return item;
}

QTreeWidgetItem* FileTree::SetRoot(const QString& path) {
  clear();
  return NewItem(nullptr, ItemKind::kRoot, path, path);
}

void FileTree::Fill(QTreeWidgetItem* folder, std::vector<FileEntry> entries) {
  ScopedFlag guard(updating_);
  qDeleteAll(folder->takeChildren());
  std::erase_if(entries, [](const FileEntry& e) { return e.IsHiddenOrSystem(); });
  std::stable_sort(entries.begin(), entries.end(), [](const FileEntry& a, const FileEntry& b) {
    if (a.IsFolder() != b.IsFolder()) return a.IsFolder();
    return QString::fromStdString(a.name).compare(QString::fromStdString(b.name),
                                                  Qt::CaseInsensitive) < 0;
  });
  for (const FileEntry& entry : entries) AddEntry(folder, entry);
  folder->setData(kNameColumn, kListedRole, true);
  folder->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* FileTree::AddEntry(QTreeWidgetItem* folder, const FileEntry& entry) {
  ScopedFlag guard(updating_);
  const QString name = QString::fromStdString(entry.name);
  QTreeWidgetItem* item = NewItem(folder, entry.IsFolder() ? ItemKind::kFolder : ItemKind::kFile,
                                  name, Join(PathOf(folder), name));
  const QString date = QString::fromStdString(DateText(entry.lastWrite));
  item->setData(kNameColumn, kDateTextRole, date);
  item->setText(kDateColumn, date);
  if (!entry.IsFolder()) {
    const QString size = QString::fromStdString(SizeText(entry.size));
    item->setData(kNameColumn, kSizeTextRole, size);
    item->setText(kSizeColumn, size);
    item->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
  }
  ApplyFilter(item);
  return item;
}

QTreeWidgetItem* FileTree::FindChild(QTreeWidgetItem* folder, const QString& name) const {
  for (int i = 0; folder && i < folder->childCount(); ++i) {
    if (NameOf(folder->child(i)).compare(name, Qt::CaseInsensitive) == 0) return folder->child(i);
  }
  return nullptr;
}

void FileTree::SetName(QTreeWidgetItem* item, const QString& name) {
  ScopedFlag guard(updating_);
  item->setText(kNameColumn, name);
  item->setData(kNameColumn, kNameRole, name);
  if (KindOf(item) == ItemKind::kFile) item->setIcon(kNameColumn, icons_.ForFile(name));
  UpdatePaths(item, Join(PathOf(item->parent()), name));
}

void FileTree::UpdatePaths(QTreeWidgetItem* item, const QString& path) {
  item->setData(kNameColumn, kPathRole, path);
  for (int i = 0; i < item->childCount(); ++i)
    UpdatePaths(item->child(i), Join(path, NameOf(item->child(i))));
}

void FileTree::Forget(QTreeWidgetItem* folder) {
  ScopedFlag guard(updating_);
  qDeleteAll(folder->takeChildren());
  folder->setData(kNameColumn, kListedRole, false);
  folder->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  collapseItem(folder);
}

ItemKind FileTree::KindOf(const QTreeWidgetItem* item) {
  return static_cast<ItemKind>(item->data(kNameColumn, kKindRole).toInt());
}
QString FileTree::PathOf(const QTreeWidgetItem* item) {
  return item->data(kNameColumn, kPathRole).toString();
}
QString FileTree::NameOf(const QTreeWidgetItem* item) {
  return item->data(kNameColumn, kNameRole).toString();
}
bool FileTree::IsListed(const QTreeWidgetItem* item) {
  return item->data(kNameColumn, kListedRole).toBool();
}
QString FileTree::SizeTextOf(const QTreeWidgetItem* item) {
  return item->data(kNameColumn, kSizeTextRole).toString();
}
QString FileTree::DateTextOf(const QTreeWidgetItem* item) {
  return item->data(kNameColumn, kDateTextRole).toString();
}

QTreeWidgetItem* FileTree::CurrentFolder() const {
  QTreeWidgetItem* item = currentItem();
  return IsFolderLike(item) ? item : nullptr;
}

QList<QTreeWidgetItem*> FileTree::SelectedFiles() const {
  QList<QTreeWidgetItem*> files;
  for (QTreeWidgetItemIterator it(const_cast<FileTree*>(this), QTreeWidgetItemIterator::Selected);
       *it; ++it) {
    if (KindOf(*it) == ItemKind::kFile) files.push_back(*it);
  }
  return files;
}

void FileTree::SetFilter(const QString& text) {
  filter_ = text.trimmed();
  for (QTreeWidgetItemIterator it(this); *it; ++it) ApplyFilter(*it);
}

void FileTree::ApplyFilter(QTreeWidgetItem* item) {
  if (KindOf(item) != ItemKind::kFile) return;
  item->setHidden(!filter_.isEmpty() && !NameOf(item).contains(filter_, Qt::CaseInsensitive));
}

void FileTree::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (updating_ || column != kNameColumn) return;
  const QString oldName = NameOf(item);
  const QString newName = item->text(kNameColumn);
  if (newName == oldName) return;
  {
    ScopedFlag guard(updating_);
    item->setText(kNameColumn, oldName);  // the new name shows once the rename is done
  }
  emit renameRequested(item, oldName, newName);
}

QStringList FileTree::mimeTypes() const {
  return {kExplorerMimeType, "text/uri-list"};
}

QMimeData* FileTree::mimeData(const QList<QTreeWidgetItem*>& items) const {
  return DragData(items);
}

QMimeData* FileTree::DragData(const QList<QTreeWidgetItem*>& items) const {
  QStringList paths;
  QList<QUrl> urls;
  for (const QTreeWidgetItem* item : items) {
    if (KindOf(item) != ItemKind::kFile) continue;
    paths << PathOf(item);
    if (!device_) urls << QUrl::fromLocalFile(PathOf(item));
  }
  if (paths.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setData(kExplorerMimeType,
                (QString(device_ ? "device" : "pc") + "\n" + paths.join('\n')).toUtf8());
  if (!urls.isEmpty()) data->setUrls(urls);  // the desktop's file manager takes local files too
  return data;
}

bool FileTree::Accepts(const QMimeData* data) const {
  if (data->hasFormat(kExplorerMimeType)) return true;
  // Files from outside the program are local files: they can go to the device.
  if (!device_ || !data->hasUrls()) return false;
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

QTreeWidgetItem* FileTree::DropFolder(const QPoint& position) const {
  QTreeWidgetItem* item = itemAt(position);
  if (!item) return RootItem();
  return KindOf(item) == ItemKind::kFile ? item->parent() : item;
}

void FileTree::dragEnterEvent(QDragEnterEvent* event) {
  if (!Accepts(event->mimeData())) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FileTree::dragMoveEvent(QDragMoveEvent* event) {
  if (!Accepts(event->mimeData()) || !DropFolder(event->position().toPoint()))
    return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FileTree::dropEvent(QDropEvent* event) {
  QTreeWidgetItem* folder = DropFolder(event->position().toPoint());
  if (!Accepts(event->mimeData()) || !folder) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit dropped(event->mimeData(), folder);
}

void FileTree::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
    emit deleteKeyReleased();
    return;
  }
  QTreeWidget::keyReleaseEvent(event);
}

}  // namespace mirrodex
