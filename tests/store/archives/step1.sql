-- The rows of an archive the program wrote at step 1 of its schema, with that step's own code.
INSERT INTO runs (id, phrase, host, italian_only, fragment, started, ended, outcome, position) VALUES (1, 'bimby', 'www.google.it', 1, 'velmora.it', '2026-03-02T08:00:01.250Z', '2026-03-02T08:00:09.999Z', 'trovato', 12);
INSERT INTO runs (id, phrase, host, italian_only, fragment, started, ended, outcome, position) VALUES (2, 'bimby', 'www.google.it', 0, 'velmora.it', '2026-03-09T08:00:00.000Z', '2026-03-09T08:00:06.000Z', 'non trovato', 10);
INSERT INTO runs (id, phrase, host, italian_only, fragment, started, ended, outcome, position) VALUES (3, 'velmora ricette', 'www.google.it', 0, 'velmora', '2026-03-09T09:30:00.000Z', NULL, 'interrotto', 0);
INSERT INTO pages (id, run_id, "offset", read_at, reading) VALUES (1, 1, 0, '2026-03-02T08:00:03.000Z', 'classica');
INSERT INTO pages (id, run_id, "offset", read_at, reading) VALUES (2, 1, 10, '2026-03-02T08:00:07.005Z', 'attuale');
INSERT INTO pages (id, run_id, "offset", read_at, reading) VALUES (3, 2, 0, '2026-03-09T08:00:04.000Z', 'attuale');
INSERT INTO results (page_id, position, address, host, title) VALUES (1, 1, 'https://www.sito1.it/ricette?x=1&y="a,b"', 'www.sito1.it', '');
INSERT INTO results (page_id, position, address, host, title) VALUES (1, 2, 'https://www.sito2.it/ricette?x=2&y="a,b"', 'www.sito2.it', '');
INSERT INTO results (page_id, position, address, host, title) VALUES (1, 3, 'https://www.sito3.it/ricette?x=3&y="a,b"', 'www.sito3.it', '');
INSERT INTO results (page_id, position, address, host, title) VALUES (2, 11, 'https://www.altro.it/', 'www.altro.it', 'Altro: ricette è "facili", veloci');
INSERT INTO results (page_id, position, address, host, title) VALUES (2, 12, 'https://www.velmora.it/bimby', 'www.velmora.it', 'Velmora - Bimby');
INSERT INTO results (page_id, position, address, host, title) VALUES (3, 1, 'https://www.altro.it/', 'www.altro.it', 'Altro');
INSERT INTO results (page_id, position, address, host, title) VALUES (3, 2, 'https://www.velmora.it/', 'www.velmora.it', '');
