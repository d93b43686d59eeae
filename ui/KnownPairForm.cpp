#include "ui/KnownPairForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/Rounding.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"

namespace orvek {

namespace {

Result<double> EpochField(const QLineEdit* edit, const char* field) {
  Extended v = 0;
  const std::string text = edit->text().trimmed().toStdString();
  if (!ParseNumber(text, v)) return Unexpected(Error(ErrorCode::BadNumber).Field(field).Text(text));
  return static_cast<double>(v);
}

}  // namespace

KnownPairForm::KnownPairForm(Prompter& prompter, std::function<void(const PairGeometry&)> fill,
                             QWidget* parent)
    : QGroupBox(parent), m_prompter(prompter), m_fill(std::move(fill)) {
  setObjectName("KnownPairForm");
  auto* grid = new QGridLayout(this);
  const auto edit = [&](const char* name, int row) {
    m_labels[row] = new QLabel(this);
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    grid->addWidget(m_labels[row], row, 0);
    grid->addWidget(e, row, 1, 1, 2);
    return e;
  };
  m_txtGaiaA = edit("txtGaiaA", 0);
  m_txtGaiaB = edit("txtGaiaB", 1);
  m_txtRefEpoch = edit("txtRefEpoch", 2);
  m_txtKnownEpoch = edit("txtKnownEpoch", 3);
  m_txtRefEpoch->setText("2016.0");
  m_btnKnownPair = new QPushButton(this);
  m_btnKnownPair->setObjectName("btnKnownPair");
  m_lblKnownPair = new QLabel(this);
  m_lblKnownPair->setObjectName("lblKnownPair");
  grid->addWidget(m_btnKnownPair, 4, 1);
  grid->addWidget(m_lblKnownPair, 4, 2);
  connect(m_btnKnownPair, &QPushButton::clicked, this, [this] { Apply(); });
  ChangeLangue();
}

void KnownPairForm::SetEpoch(std::optional<double> epoch) {
  m_txtKnownEpoch->setText(epoch ? QString::fromStdString(FormatFixed(*epoch, 4)) : QString());
}

Result<PairGeometry> KnownPairForm::Compute() const {
  const Result<CatalogueStar> a = ParseCatalogueStar(m_txtGaiaA->text().toStdString(), "A");
  if (!a) return Unexpected(a.error());
  const Result<CatalogueStar> b = ParseCatalogueStar(m_txtGaiaB->text().toStdString(), "B");
  if (!b) return Unexpected(b.error());
  const Result<double> reference = EpochField(m_txtRefEpoch, "ref-epoch");
  if (!reference) return Unexpected(reference.error());
  const Result<double> epoch = EpochField(m_txtKnownEpoch, "epoch");
  if (!epoch) return Unexpected(epoch.error());
  return PairAtEpoch(*a, *b, *epoch, *reference);
}

bool KnownPairForm::Apply() {
  const Result<PairGeometry> g = Compute();
  if (!g) {
    m_lblKnownPair->clear();
    m_prompter.Error(Worded(g.error()));
    return false;
  }
  m_lblKnownPair->setText(QString::fromStdString(FormatFixed(g->thetaDeg, 2) + "° " +
                                                 FormatFixed(g->rhoArcsec, 3) + "\""));
  if (m_fill) m_fill(*g);
  return true;
}

void KnownPairForm::ChangeLangue() {
  setTitle(LangText("Publish", "kpTIT"));
  const char* keys[4] = {"kpA", "kpB", "kpRef", "kpEpoch"};
  for (int i = 0; i < 4; ++i) m_labels[i]->setText(LangText("Publish", keys[i]));
  m_btnKnownPair->setText(LangText("Publish", "kpFill"));
  m_txtGaiaA->setPlaceholderText("RA, Dec, pmRA, pmDec, plx, RV");
  m_txtGaiaB->setPlaceholderText("RA, Dec, pmRA, pmDec, plx, RV");
}

}  // namespace orvek
