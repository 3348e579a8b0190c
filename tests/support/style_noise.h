#ifndef STYLE_NOISE_H
#define STYLE_NOISE_H

// The read-outs' style sheet carries "cursorVisible : true", which Qt's style sheet engine does
// not know and reports on every polish. Called from initTestCase (after QTest has installed its
// own message handler), this keeps that one line out of the test logs.
void drop_known_style_noise();

#endif
