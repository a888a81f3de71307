// Splitting a line of text into words, as commands and table rows are read.
#pragma once

// Splits text in place into words at blanks, tabs and line ends: each word
// is ended with a 0 and pointed to from words.  Returns the number of words,
// never more than max_words.
int split_words(char* text, char** words, int max_words);

// True when word appears in text as a whole blank-separated word.
bool text_has_word(const char* text, const char* word);
