// The main window's side of the genre list: the genre names and the genre field.
#include "app/Unit1.h"
#include "tags/GenreList.h"
#include "tags/GenreListFile.h"

#include <QLineEdit>

namespace {

// The genre field shows the name at `index`; no selection (or no name) leaves it as it is.
void showGenre(QLineEdit* field, const QStringList& names, int index) {
  if (index >= 0 && index < names.size())
    field->setText(names[index]);
}

} // namespace

void TForm1::BuildGenreNames() {
  if (!frmGenreList)
    return;
  GenreNames = GenreListFile::BuildGenreNames(frmGenreList->Items());
  // This runs once the genre list window exists, at start-up; the window's choices go to the
  // genre field from then on.
  QObject::disconnect(frmGenreList, &TfrmGenreList::OnChoose, this, nullptr);
  connect(frmGenreList, &TfrmGenreList::OnChoose, this,
          [this](int index) { showGenre(Edit10, GenreNames, index); });
}

void TForm1::Button8Click() {
  if (!frmGenreList)
    return;
  frmGenreList->show();
  frmGenreList->raise();
  frmGenreList->activateWindow();
  showGenre(Edit10, GenreNames, frmGenreList->ItemIndex());
}
