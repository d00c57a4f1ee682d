#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

// What a job tells the window that shows it. The job knows nothing of widgets; the print
// dialog registers an observer that mirrors the values into its controls. Every
// callback has an empty default, so an observer overrides only what it shows.
class JobObserver
{
public:
    virtual ~JobObserver() = default;

    // A new page was opened; pageCount is the new number of pages. The dialog shows it as
    // the last page, as the maxima of its progress bars and page-range spinners, and as the
    // value of the range's upper spinner.
    virtual void pageCountChanged(qint32 pageCount) { Q_UNUSED(pageCount); }

    // The orientation changed: the page picture and its shadow, in twips.
    virtual void pagePictureGeometryChanged(const QRect& picture, const QRect& shadow)
    {
        Q_UNUSED(picture);
        Q_UNUSED(shadow);
    }

    // An "EMAIL" command set the recipients; the dialog's e-mail address boxes show them.
    virtual void emailChanged(const QString& recipients) { Q_UNUSED(recipients); }

    // A "FAX" command set the fax number (digits only); the dialog's fax boxes show it.
    virtual void faxChanged(const QString& number) { Q_UNUSED(number); }
};
