#include <QLabel>
#include <QMimeData>
#include <QImage>
#include <QPushButton>
#include "form1_fixture.h"

TEST_F(Form1Test, Experiment) {
    tavro::Form1& f = makeForm();
    showActive();
    f.cmddummy->setFocus();
    QTest::mouseMove(f.Label3[4]);
    fprintf(stderr, "after move: focus=%s m4=%d cursor=%d,%d\n", qPrintable(QApplication::focusWidget()->objectName()), f.markerShown(4), QCursor::pos().x(), QCursor::pos().y());
    QTest::qWait(50);
    fprintf(stderr, "after wait: focus=%s m4=%d\n", qPrintable(QApplication::focusWidget()->objectName()), f.markerShown(4));
    int n = f.List1->count();
    auto* md = new QMimeData; QImage img(4,4,QImage::Format_RGB32); img.fill(Qt::red); md->setImageData(img);
    QApplication::clipboard()->setText("abc");
    QApplication::clipboard()->setMimeData(md);
    fprintf(stderr, "count %d -> %d\n", n, f.List1->count());
    QApplication::clipboard()->clear();
    fprintf(stderr, "count after clear %d\n", f.List1->count());
    for (auto l : {0,1}) fprintf(stderr, "%s\n", qPrintable(f.List1->line(l)));
}
