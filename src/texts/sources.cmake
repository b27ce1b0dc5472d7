# src/texts: the built-in texts, a header at the bottom of the folders that every other may use.
corvinet_layer(texts)
