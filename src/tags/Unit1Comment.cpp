// The main window's comment composing and field memory buttons.
#include "app/Unit1.h"
#include "tags/CommentText.h"
#include "tags/FieldMemory.h"
#include "ui/Option.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

void TForm1::Button14Click() {
  using CommentText::CommentFormat;
  // The options window's radio buttons are the only copy of the chosen format. With free
  // text chosen the button is normally disabled; when it is still enabled (the options
  // window was closed with Cancel) it composes the fullest format.
  CommentFormat format = CommentFormat::IdAndCredits;
  if (frmOption && frmOption->RadioButton1->isChecked())
    format = CommentFormat::JacketImage;
  else if (frmOption && frmOption->RadioButton2->isChecked())
    format = CommentFormat::Credits;

  const CommentText::CommentParts parts{Edit20->text(), ComboBox1->currentText(), Edit17->text(),
                                        Edit18->text(), Edit11->text(),           Edit19->text()};
  const QString composed = CommentText::Compose(format, parts, ShiftHeld, Memo1->toPlainText());
  if (!composed.isEmpty())
    Memo1->setPlainText(composed);
}

void TForm1::Button12Click() {
  FieldMemory::Texts texts;
  texts[FieldMemory::Artist] = Edit7->text();
  texts[FieldMemory::Album] = Edit8->text();
  texts[FieldMemory::Comment] = Memo1->toPlainText();
  texts[FieldMemory::Id] = Edit20->text();
  texts[FieldMemory::JacketImage] = ComboBox1->currentText();
  texts[FieldMemory::Year] = Edit9->text();
  texts[FieldMemory::Lyricist] = Edit17->text();
  texts[FieldMemory::Composer] = Edit18->text();
  texts[FieldMemory::Arranger] = Edit11->text();
  texts[FieldMemory::Performer] = Edit19->text();
  texts[FieldMemory::Genre] = Edit10->text();
  Memory.Copy(texts);
}

void TForm1::Button13Click() {
  Edit6->setText(FieldMemory::TitleFromFileName(Edit13->text()));
  const FieldMemory::Texts& texts = Memory.Paste();
  Edit7->setText(texts[FieldMemory::Artist]);
  Edit8->setText(texts[FieldMemory::Album]);
  Memo1->setPlainText(texts[FieldMemory::Comment]);
  Edit20->setText(texts[FieldMemory::Id]);
  ComboBox1->setCurrentText(texts[FieldMemory::JacketImage]);
  Edit9->setText(texts[FieldMemory::Year]);
  Edit17->setText(texts[FieldMemory::Lyricist]);
  Edit18->setText(texts[FieldMemory::Composer]);
  Edit11->setText(texts[FieldMemory::Arranger]);
  Edit19->setText(texts[FieldMemory::Performer]);
  Edit10->setText(texts[FieldMemory::Genre]);
}
