#include "desktop/shell/dialogs/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "desktop/resources/Icons.h"
#include "desktop/resources/ProgramInfo.h"
#include "desktop/resources/StringTable.h"

namespace mirrodex {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  const QString name = LoadText(text::kAppTitle);
  setWindowTitle(tr("About %1").arg(name));
  setWindowIcon(LoadIcon(Icon::kApplication));

  auto* icon = new QLabel;
  icon->setPixmap(QPixmap::fromImage(RenderIcon(Icon::kApplication, QSize(96, 96), devicePixelRatioF())));
  icon->setAlignment(Qt::AlignTop);

  auto* title = new QLabel(name);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.8);
  big.setBold(true);
  title->setFont(big);
  title->setObjectName(QStringLiteral("aboutTitle"));

  auto* version = new QLabel(tr("Version %1").arg(ProgramVersion()));
  version->setObjectName(QStringLiteral("aboutVersion"));
  version->setStyleSheet(QStringLiteral("color: #64748b;"));
  auto* summary = new QLabel(ProgramSummary());
  summary->setWordWrap(true);
  auto* built = new QLabel(tr("Built with Qt %1.").arg(QLatin1String(QT_VERSION_STR)));
  built->setStyleSheet(QStringLiteral("color: #64748b;"));

  auto* text = new QVBoxLayout;
  text->setSpacing(6);
  text->addWidget(title);
  text->addWidget(version);
  text->addSpacing(8);
  text->addWidget(summary);
  text->addWidget(built);
  text->addStretch(1);

  auto* body = new QHBoxLayout;
  body->setSpacing(18);
  body->addWidget(icon, 0, Qt::AlignTop);
  body->addLayout(text, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 20, 20, 14);
  layout->addLayout(body, 1);
  layout->addWidget(buttons);
  setMinimumWidth(440);
}

}  // namespace mirrodex
