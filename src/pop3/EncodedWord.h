#pragma once

#include <QByteArray>
#include <QStringView>

// One MIME encoded-word: "=?" charset ["*" language] "?" B|Q "?" encoded-text "?=".
struct EncodedWord
{
    enum class Shape {
        NotAWord, // the text there is ordinary text
        Broken,   // shaped like a word but undecodable: unclosed, unknown encoding, bad text
        Word,
    };
    Shape shape = Shape::NotAWord;
    QStringView charset; // the label without its language
    QByteArray bytes;    // the encoded text decoded, still in that charset
    qsizetype end = 0;   // the position just after the closing "?="
};

// Reads the encoded-word at text[at], which begins "=?". A word counts as begun once
// "=?" charset "?" encoding "?" is seen; from there on anything amiss makes it Broken.
EncodedWord readEncodedWord(QStringView text, qsizetype at);
