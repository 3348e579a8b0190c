#ifndef WINE_READ_H
#define WINE_READ_H

class QSerialPort;

// Under Wine, Qt's Windows backend never starts reading: it reads only once a comm event wait
// completes, and Wine never runs the completion routine of that wait. Call this right after the
// port opens: under Wine it starts reading itself, and again after every readyRead. It does
// nothing on Windows and on other systems.
void keep_reading_under_wine(QSerialPort *port);

#endif
