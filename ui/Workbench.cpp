#include "ui/Workbench.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

#include "core/Utils.h"
#include "ui/AnalysisCommands.h"
#include "ui/ArithmeticCommands.h"
#include "ui/InterferometryCommands.h"
#include "ui/Langue.h"
#include "ui/ReductionCommands.h"
#include "ui/Resources.h"
#include "ui/SeriesCommands.h"
#include "ui/SurfaceCommands.h"
#include "ui/UdlgAVI.h"
#include "ui/UdlgAlign.h"
#include "ui/UdlgSynthDrift.h"
#include "ui/UfrmAbout.h"
#include "ui/UfrmCam.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmFitsHeader.h"
#include "ui/UfrmHelp.h"
#include "ui/UfrmInfosLog.h"
#include "ui/UfrmMain.h"
#include "ui/UfrmSurface.h"
#include "ui/UfrmVisu.h"

namespace orvek {

Workbench::Workbench(Prompter& p, DocumentOpener& o, WorkerPool* w)
    : prompter(p), opener(o), pool(w) {}

Workbench::~Workbench() {
  frmHelp.reset();
  frmFitsHeader.reset();
  frmVisu.reset();
  DlgAVI.reset();
  formCam.reset();
  formSurface.reset();
  dlgSynthDrift.reset();
  DlgAlign.reset();
  frmInfosLog.reset();
  frmAbout.reset();
  formCentroid.reset();
  FormMain.reset();
  if (qtTranslator) QCoreApplication::removeTranslator(qtTranslator.get());
}

bool Workbench::InstallQtTranslation() {
  if (qtTranslator) {
    QCoreApplication::removeTranslator(qtTranslator.get());
    qtTranslator.reset();
  }
  const QString lang = Langue();
  const QString code = lang == "F" ? "fr" : lang == "S" ? "es" : lang == "I" ? "it" : QString();
  if (code.isEmpty()) return true;  // English: Qt's own texts
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load("qtbase_" + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  QCoreApplication::installTranslator(translator.get());
  qtTranslator = std::move(translator);
  return true;
}

void Workbench::ChangeLangueAll() {
  InstallQtTranslation();
  if (FormMain) FormMain->ChangeLangue();
  if (formCentroid) formCentroid->ChangeLangue();
  if (frmAbout) frmAbout->ChangeLangue();
  if (frmInfosLog) frmInfosLog->ChangeLangue();
  if (DlgAlign) DlgAlign->ChangeLangue();
  if (formSurface) formSurface->ChangeLangue();
  if (formCam) formCam->ChangeLangue();
  if (frmHelp) frmHelp->ChangeLangue();
  if (analysisCommands) analysisCommands->Interferometry().ChangeLangue();
}

std::unique_ptr<Workbench> CreateWorkbench(Prompter& prompter, DocumentOpener& opener,
                                           WorkerPool* pool) {
  InitResources();
  auto wb = std::make_unique<Workbench>(prompter, opener, pool);
  wb->InstallQtTranslation();
  wb->cursors.Load(QString::fromStdString(ResourceFolder()));
  wb->FormMain = std::make_unique<TFormMain>(*wb);
  wb->formCentroid = std::make_unique<TformCentroid>(*wb);
  wb->frmAbout = std::make_unique<TfrmAbout>(*wb);
  wb->frmInfosLog = std::make_unique<TfrmInfosLog>(*wb);
  wb->DlgAlign = std::make_unique<TDlgAlign>(*wb);
  wb->dlgSynthDrift = std::make_unique<TdlgSynthDrift>(*wb);
  wb->formSurface = std::make_unique<TformSurface>(*wb);
  wb->formCam = std::make_unique<TformCam>(*wb);
  wb->DlgAVI = std::make_unique<TDlgAVI>(*wb);
  wb->frmVisu = std::make_unique<TfrmVisu>(*wb);
  wb->frmFitsHeader = std::make_unique<TfrmFitsHeader>(*wb);
  wb->seriesCommands = std::make_unique<SeriesCommands>(*wb);
  wb->reductionCommands = std::make_unique<ReductionCommands>(*wb);
  wb->analysisCommands = std::make_unique<AnalysisCommands>(*wb);
  wb->arithmeticCommands = std::make_unique<ArithmeticCommands>(*wb);
  wb->surfaceCommands = std::make_unique<SurfaceCommands>(*wb);
  return wb;
}

}  // namespace orvek
