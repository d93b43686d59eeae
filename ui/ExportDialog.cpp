#include "ui/ExportDialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"

namespace orvek {

namespace {

constexpr const char* kFieldKeys[] = {"exFormat",   "exPair",   "exWds",      "exMags",
                                      "exAperture", "exMethod", "exObserver", "exNotes"};

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::string Plain(const QLineEdit* e) {
  return e->text().trimmed().toStdString();
}

Result<std::optional<double>> OptionalNumber(const std::string& text, const char* field) {
  if (text.empty()) return std::optional<double>();
  Extended v = 0;
  if (!ParseNumber(text, v)) return Unexpected(Error(ErrorCode::BadNumber).Field(field).Text(text));
  return std::optional<double>(static_cast<double>(v));
}

}  // namespace

bool MayReplace(Prompter& prompter, const QString& path) {
  if (!QFileInfo::exists(path)) return true;
  return prompter.AskYesNo(Fill(LangText("Publish", "askReplace"), {{"path", path}}));
}

ExportDialog::ExportDialog(Prompter& prompter, std::function<Result<ExportInput>()> source,
                           QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_source(std::move(source)) {
  setObjectName("ExportDialog");
  auto* grid = new QGridLayout(this);
  for (int row = 0; row < 8; ++row) {
    m_labels << new QLabel(this);
    grid->addWidget(m_labels.back(), row, 0);
  }
  m_cmbFormat = new QComboBox(this);
  m_cmbFormat->setObjectName("cmbFormat");
  m_cmbFormat->addItems({"jdso", "wds", "csv"});
  grid->addWidget(m_cmbFormat, 0, 1);
  m_txtPair = AddField("txtPair", 1);
  m_txtWds = AddField("txtWds", 2);
  m_txtMags = AddField("txtMags", 3);
  m_txtAperture = AddField("txtAperture", 4);
  m_cmbMethod = new QComboBox(this);
  m_cmbMethod->setObjectName("cmbMethod");
  m_cmbMethod->addItems({"", "C", "Cl", "S"});
  grid->addWidget(m_cmbMethod, 5, 1);
  m_txtObserver = AddField("txtObserver", 6);
  m_txtNotes = AddField("txtNotes", 7);

  m_memoPreview = new QPlainTextEdit(this);
  m_memoPreview->setObjectName("memoPreview");
  m_memoPreview->setReadOnly(true);
  m_memoPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_memoPreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  grid->addWidget(m_memoPreview, 8, 0, 1, 2);
  m_btnSave = new QPushButton(this);
  m_btnSave->setObjectName("btnSave");
  grid->addWidget(m_btnSave, 9, 1, Qt::AlignRight);
  grid->setRowStretch(8, 1);

  connect(m_cmbFormat, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  connect(m_cmbMethod, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  connect(m_btnSave, &QPushButton::clicked, this, [this] { Save(); });
  ChangeLangue();
  resize(720, 420);
}

QLineEdit* ExportDialog::AddField(const char* name, int row) {
  auto* e = new QLineEdit(this);
  e->setObjectName(name);
  static_cast<QGridLayout*>(layout())->addWidget(e, row, 1);
  connect(e, &QLineEdit::textChanged, this, [this] { Refresh(); });
  return e;
}

void ExportDialog::SetDetails(const ExportDetails& d) {
  m_txtPair->setText(Q(d.pair));
  m_txtWds->setText(Q(d.wds));
  QStringList mags;
  for (const auto& m : {d.magA, d.magB}) mags << (m ? Q(FormatGeneral(*m)) : QString());
  m_txtMags->setText(d.magA || d.magB ? mags.join(", ") : QString());
  m_txtAperture->setText(d.apertureCm ? Q(FormatGeneral(*d.apertureCm)) : QString());
  m_cmbMethod->setCurrentText(Q(d.method));
  m_txtObserver->setText(Q(d.observer));
  m_txtNotes->setText(Q(d.notes));
  Refresh();
}

void ExportDialog::SetFormat(ExportFormat format) {
  m_cmbFormat->setCurrentIndex(static_cast<int>(format));
}

ExportFormat ExportDialog::Format() const {
  return static_cast<ExportFormat>(m_cmbFormat->currentIndex());
}

Result<ExportDetails> ExportDialog::Details() const {
  ExportDetails d;
  d.pair = Plain(m_txtPair);
  d.wds = Plain(m_txtWds);
  const QStringList mags = m_txtMags->text().split(',');
  if (mags.size() > 2)
    return Unexpected(Error(ErrorCode::BadNumber).Field("mags").Text(Plain(m_txtMags)));
  for (int i = 0; i < mags.size(); ++i) {
    const auto m = OptionalNumber(mags[i].trimmed().toStdString(), "mags");
    if (!m) return Unexpected(m.error());
    (i == 0 ? d.magA : d.magB) = *m;
  }
  const auto aperture = OptionalNumber(Plain(m_txtAperture), "aperture-cm");
  if (!aperture) return Unexpected(aperture.error());
  d.apertureCm = *aperture;
  d.method = m_cmbMethod->currentText().toStdString();
  d.observer = Plain(m_txtObserver);
  d.notes = Plain(m_txtNotes);
  return d;
}

Result<std::string> ExportDialog::Text() const {
  const Result<ExportDetails> details = Details();
  if (!details) return Unexpected(details.error());
  if (!m_source) return Unexpected(Error(ErrorCode::NoMeasures));
  const Result<ExportInput> input = m_source();
  if (!input) return Unexpected(input.error());
  return FormatExport(Format(), input->frames, input->summary, *details);
}

void ExportDialog::Refresh() {
  const Result<std::string> text = Text();
  m_memoPreview->setPlainText(text ? Q(*text) : Worded(text.error()));
}

QString ExportDialog::Preview() const {
  return m_memoPreview->toPlainText();
}

bool ExportDialog::Save() {
  const Result<std::string> text = Text();
  if (!text) {
    m_prompter.Error(Worded(text.error()));
    return false;
  }
  const bool csv = Format() == ExportFormat::Csv;
  const QString path = m_prompter.SaveFile(
      csv ? "orvek.csv" : "orvek.txt", LangText("Publish", csv ? "exFilterCsv" : "exFilterTxt"));
  if (path.isEmpty() || !MayReplace(m_prompter, path)) return false;
  if (const Status s = ReplaceFile(path.toStdString(), text->data(), text->size()); !s) {
    m_prompter.Error(Worded(s));
    return false;
  }
  return true;
}

void ExportDialog::ChangeLangue() {
  setWindowTitle(LangText("Publish", "exTIT"));
  for (int i = 0; i < m_labels.size(); ++i)
    m_labels[i]->setText(LangText("Publish", kFieldKeys[i]));
  m_btnSave->setText(LangText("Publish", "exSave"));
  Refresh();
}

}  // namespace orvek
