// Dates in the ten languages other than English, as their people write them, against a
// fixed reference: Wednesday, 9 December 2026, 10:00 in Berlin. Each language has a
// table of phrases (the text the date covers and its moment) and a table of sentences
// that hold no date. Expected moments come from the C library's mktime, not from ICU.
#include <gtest/gtest.h>

#include "LocaleDates.h"

namespace {

using namespace localedates;

class DateLanguages : public LocaleDatesTest {};

TEST_F(DateLanguages, German) {
  expectPhrases("de_DE",
                {
                    {"Wir sehen uns am 3. März um 15 Uhr.", "am 3. März um 15 Uhr", 2027, 3, 3, 15},
                    {"Abgabe: 24. Dezember 2026", "24. Dezember 2026", 2026, 12, 24},
                    {"Termin am 12.03.2027", "12.03.2027", 2027, 3, 12},
                    {"übermorgen passt es", "übermorgen", 2026, 12, 11},
                    {"Das war vorgestern.", "vorgestern", 2026, 12, 7},
                    {"Komm morgen um 9:30 vorbei", "morgen um 9:30", 2026, 12, 10, 9, 30},
                    {"in drei Tagen fertig", "in drei Tagen", 2026, 12, 12},
                    {"vor 2 Wochen geschrieben", "vor 2 Wochen", 2026, 11, 25},
                    {"vor 2 Stunden", "vor 2 Stunden", kFromReference, 0, -2},
                    {"nächste Woche Urlaub", "nächste Woche", 2026, 12, 16},
                    // A German week starts on Monday.
                    {"diese Woche geschlossen", "diese Woche", 2026, 12, 7},
                    {"Bis nächsten Freitag!", "nächsten Freitag", 2026, 12, 11},
                    {"am Montag um 15.30 Uhr", "am Montag um 15.30 Uhr", 2026, 12, 14, 15, 30},
                    {"Treffen um 18 Uhr", "um 18 Uhr", 2026, 12, 9, 18},
                    // A stop after a full name ends the sentence, not the name.
                    {"Das Paket kommt am 5. April.", "am 5. April", 2027, 4, 5},
                    {"Die Messe ist vom 3. bis 5. März", "3. bis 5. März", 2027, 3, 3},
                    {"Um 9 Uhr abends", "Um 9 Uhr abends", 2026, 12, 9, 21},
                    {"bis Ende Februar", "Ende Februar", 2027, 2, 28},
                    {"Treffen um 15 Uhr 30", "um 15 Uhr 30", 2026, 12, 9, 15, 30},
                    {"Abgabe bis 12.03. bitte", "12.03.", 2027, 3, 12},
                    {"Freitag, 18.12. geht", "Freitag, 18.12.", 2026, 12, 18},
                    {"letztes Jahr war das", "letztes Jahr", 2025, 12, 9},
                    {"in zwanzig Minuten", "in zwanzig Minuten", kFromReference, 0, 0, 0, 20},
                    {"Lieferung am 3. Dez", "am 3. Dez", 2026, 12, 3},
                    // "so" in lower case is no Sunday.
                    {"Er kam so um 15 Uhr.", "um 15 Uhr", 2026, 12, 9, 15},
                });
  expectNone("de_DE", {
                          "Version 3.5 behebt 12 Fehler.",
                          "Wir haben 15 Äpfel und 3 Birnen gekauft.",
                          "Das Spiel endete 2:1 für Bayern.",
                          "Der Server hat die Adresse 192.168.1.20.",
                          "Er kostet 3,50 Euro im Laden.",
                          "Ich bin um 5 Jahre älter als du.",
                          "Kapitel 4.2 erklärt das.",
                          "Seite 12 bis 15 lesen.",
                          "Version 1.10. ist da.",
                      });
}

TEST_F(DateLanguages, French) {
  expectPhrases("fr_FR",
                {
                    {"Rendez-vous le 3 mars à 15h", "3 mars à 15h", 2027, 3, 3, 15},
                    {"le 1er mai 2027", "1er mai 2027", 2027, 5, 1},
                    {"à 15h30 demain", "à 15h30 demain", 2026, 12, 10, 15, 30},
                    {"On part la semaine prochaine.", "la semaine prochaine", 2026, 12, 16},
                    {"Il est venu il y a 2 jours", "il y a 2 jours", 2026, 12, 7},
                    {"Ce sera prêt dans 3 jours", "dans 3 jours", 2026, 12, 12},
                    {"vendredi prochain", "vendredi prochain", 2026, 12, 11},
                    {"après-demain", "après-demain", 2026, 12, 11},
                    {"On se voit le mois prochain", "le mois prochain", 2027, 1, 9},
                    {"l'année dernière", "l'année dernière", 2025, 12, 9},
                    {"à 15 heures 30", "à 15 heures 30", 2026, 12, 9, 15, 30},
                    {"Arrivée le 12/03", "12/03", 2027, 3, 12},
                    {"à 9h du matin", "à 9h du matin", 2026, 12, 9, 9},
                    {"le premier mai", "premier mai", 2027, 5, 1},
                });
  expectNone("fr_FR", {
                          "Il rêve d'aller sur Mars un jour.",
                          "Nous avons 3 chats et 2 chiens.",
                          "La version 2.4 est sortie.",
                          "Lisez les pages 12 à 15.",
                          "Le score était de 3 à 1.",
                          "Il travaille 24/7.",
                          "Prenez 2 à 3 comprimés.",
                      });
}

TEST_F(DateLanguages, Spanish) {
  expectPhrases("es_ES", {
                             {"Nos vemos el próximo lunes", "el próximo lunes", 2026, 12, 14},
                             {"mañana a las 10", "mañana a las 10", 2026, 12, 10, 10},
                             {"el 3 de marzo de 2027", "3 de marzo de 2027", 2027, 3, 3},
                             {"Llegó hace 2 días", "hace 2 días", 2026, 12, 7},
                             {"dentro de 3 días", "dentro de 3 días", 2026, 12, 12},
                             {"a finales de marzo", "finales de marzo", 2027, 3, 31},
                             {"en 3 días", "en 3 días", 2026, 12, 12},
                             {"la próxima semana", "la próxima semana", 2026, 12, 16},
                             {"pasado mañana", "pasado mañana", 2026, 12, 11},
                             // "mañana" is the morning after "esta" and "de la".
                             {"esta mañana", "esta mañana", 2026, 12, 9, 8},
                             {"a las 10 de la mañana", "a las 10 de la mañana", 2026, 12, 9, 10},
                             {"mañana al mediodía", "mañana al mediodía", 2026, 12, 10, 12},
                             {"de las 10 a las 12", "de las 10 a las 12", 2026, 12, 9, 10},
                             {"en diciembre", "diciembre", 2026, 12, 1},
                             {"primero de mayo", "primero de mayo", 2027, 5, 1},
                         });
  expectNone("es_ES", {
                          "Compré 3 manzanas y 2 peras.",
                          "El marcador fue 2-1.",
                          "Nos bañamos en mar abierto.",
                          "Sacó un 7/10 y luego un 10/10.",
                          "Hubo 300 participantes de 12 países.",
                      });
}

TEST_F(DateLanguages, Portuguese) {
  expectPhrases("pt_BR", {
                             {"Reunião às 15h", "às 15h", 2026, 12, 9, 15},
                             {"3 de março de 2027", "3 de março de 2027", 2027, 3, 3},
                             {"daqui a 3 dias", "daqui a 3 dias", 2026, 12, 12},
                             {"Ele saiu há 2 dias", "há 2 dias", 2026, 12, 7},
                             {"amanhã às 9h30", "amanhã às 9h30", 2026, 12, 10, 9, 30},
                             {"amanhã à noite", "amanhã à noite", 2026, 12, 10, 22},
                             {"na sexta-feira", "sexta-feira", 2026, 12, 11},
                             {"na próxima terça", "na próxima terça", 2026, 12, 15},
                             // ICU's long pattern quotes "de" inside the date: not an "at".
                             {"de 3 a 5 de março", "3 a 5 de março", 2027, 3, 3},
                             {"das 10h às 12h", "das 10h às 12h", 2026, 12, 9, 10},
                             {"às 3 da tarde", "às 3 da tarde", 2026, 12, 9, 15},
                             {"chega 3 dez", "3 dez", 2026, 12, 3},
                             {"no ano que vem", "no ano que vem", 2027, 12, 9},
                         });
  expectNone("pt_BR", {"Tenho 3 gatos e 2 cães.", "Foi a segunda vez que ele veio.",
                       "Leia as páginas 12 a 15.", "Vou ter às vezes 3 aulas."});
}

TEST_F(DateLanguages, Italian) {
  expectPhrases("it_IT", {
                             {"il 3 marzo alle 15:00", "il 3 marzo alle 15:00", 2027, 3, 3, 15},
                             {"tra 3 giorni", "tra 3 giorni", 2026, 12, 12},
                             {"Vieni alle 14", "alle 14", 2026, 12, 9, 14},
                             {"domani sera", "domani sera", 2026, 12, 10, 19},
                             {"3 giorni fa", "3 giorni fa", 2026, 12, 6},
                             {"la prossima settimana", "la prossima settimana", 2026, 12, 16},
                             {"domani", "domani", 2026, 12, 10},
                             {"un'ora fa", "un'ora fa", kFromReference, 0, -1},
                             {"tra un'ora", "tra un'ora", kFromReference, 0, 1},
                             {"l'anno prossimo", "l'anno prossimo", 2027, 12, 9},
                             {"entro il 14/2 2027", "14/2 2027", 2027, 2, 14},
                             {"dalle 10 alle 12", "dalle 10 alle 12", 2026, 12, 9, 10},
                             {"alle 3 del pomeriggio", "alle 3 del pomeriggio", 2026, 12, 9, 15},
                             {"il primo maggio", "primo maggio", 2027, 5, 1},
                         });
  // A number on the line before is no score: the hour after "alle" is still a time.
  expectPhrases("it_IT", {{"pagina 18\nalle 15", "alle 15", 2026, 12, 9, 15}});
  expectNone("it_IT", {"Ho comprato 3 mele e 2 pere.", "Leggi le pagine da 12 a 15.",
                       "La partita è finita 3 a 1."});
}

TEST_F(DateLanguages, Dutch) {
  expectPhrases("nl_NL", {
                             {"op 3 maart om 15:00", "3 maart om 15:00", 2027, 3, 3, 15},
                             {"over 3 dagen", "over 3 dagen", 2026, 12, 12},
                             {"3 dagen geleden", "3 dagen geleden", 2026, 12, 6},
                             {"volgende week", "volgende week", 2026, 12, 16},
                             {"morgen om 10 uur", "morgen om 10 uur", 2026, 12, 10, 10},
                             {"Vanavond om 8 uur", "Vanavond om 8 uur", 2026, 12, 9, 20},
                             {"vorig jaar", "vorig jaar", 2025, 12, 9},
                             {"volgend jaar", "volgend jaar", 2027, 12, 9},
                             // A short weekday in lower case before a date.
                             {"ma 14 dec", "ma 14 dec", 2026, 12, 14},
                             {"in december", "december", 2026, 12, 1},
                         });
  expectNone("nl_NL", {"Ik heb 3 appels en 2 peren.", "Lees pagina 12 tot 15."});
}

TEST_F(DateLanguages, Swedish) {
  expectPhrases("sv_SE", {
                             {"den 1:a mars", "1:a mars", 2027, 3, 1},
                             {"3 mars kl. 15.30", "3 mars kl. 15.30", 2027, 3, 3, 15, 30},
                             {"om 3 dagar", "om 3 dagar", 2026, 12, 12},
                             {"för 2 dagar sedan", "för 2 dagar sedan", 2026, 12, 7},
                             {"nästa vecka", "nästa vecka", 2026, 12, 16},
                             {"Igår kl 18 var jag hemma", "Igår kl 18", 2026, 12, 8, 18},
                             {"Vi ses på fredag", "på fredag", 2026, 12, 11},
                             // Day before month where ICU's pattern is year first.
                             {"fredag 18/12", "fredag 18/12", 2026, 12, 18},
                             {"12/3 2027", "12/3 2027", 2027, 3, 12},
                             {"fredag den 18 december", "fredag den 18 december", 2026, 12, 18},
                             {"nästa år", "nästa år", 2027, 12, 9},
                         });
  expectNone("sv_SE", {"Jag har 3 äpplen och 2 päron.", "Läs sidorna 12 till 15."});
}

TEST_F(DateLanguages, Russian) {
  expectPhrases("ru_RU", {
                             {"3 марта 2027 года", "3 марта 2027 года", 2027, 3, 3},
                             {"завтра в 10:00", "завтра в 10:00", 2026, 12, 10, 10},
                             {"через 3 дня", "через 3 дня", 2026, 12, 12},
                             {"2 дня назад", "2 дня назад", 2026, 12, 7},
                             {"Через неделю отпуск", "Через неделю", 2026, 12, 16},
                             {"На прошлой неделе", "На прошлой неделе", 2026, 12, 2},
                             {"в следующий понедельник", "в следующий понедельник", 2026, 12, 14},
                             {"3-го марта", "3-го марта", 2027, 3, 3},
                             {"час назад", "час назад", kFromReference, 0, -1},
                             {"через полчаса", "через полчаса", kFromReference, 0, 0, 0, 30},
                             {"в 15 часов", "в 15 часов", 2026, 12, 9, 15},
                             {"в 3 часа дня", "в 3 часа дня", 2026, 12, 9, 15},
                             {"в конце февраля", "в конце февраля", 2027, 2, 28},
                             {"в декабре", "в декабре", 2026, 12, 1},
                             {"с 10 до 12", "с 10 до 12", 2026, 12, 9, 10},
                             {"с 3 по 5 марта", "3 по 5 марта", 2027, 3, 3},
                             {"первого мая", "первого мая", 2027, 5, 1},
                             {"в полдень", "в полдень", 2026, 12, 9, 12},
                         });
  expectNone("ru_RU", {"У меня 3 яблока и 2 груши.", "Он пробежал 10 км за 45 минут.",
                       "Читайте страницы 12 по 15.", "Матч закончился 3:1."});
}

TEST_F(DateLanguages, Japanese) {
  expectPhrases("ja_JP", {
                             {"2027年3月12日に会う", "2027年3月12日", 2027, 3, 12},
                             {"締め切りは3月12日です", "3月12日", 2027, 3, 12},
                             {"三月十二日", "三月十二日", 2027, 3, 12},
                             {"３月１２日", "３月１２日", 2027, 3, 12},
                             {"明日の午後3時に", "明日の午後3時", 2026, 12, 10, 15},
                             {"15時30分から", "15時30分", 2026, 12, 9, 15, 30},
                             {"１５：３０", "１５：３０", 2026, 12, 9, 15, 30},
                             {"来週の水曜日", "来週の水曜日", 2026, 12, 16},
                             {"3日後に", "3日後", 2026, 12, 12},
                             {"2日前", "2日前", 2026, 12, 7},
                             {"二十一日", "二十一日", 2026, 12, 21},
                         });
  expectNone("ja_JP", {"3日間の旅行でした。", "りんごを3個買った。"});
}

TEST_F(DateLanguages, Chinese) {
  expectPhrases("zh_CN", {
                             {"明天下午3点开会", "明天下午3点", 2026, 12, 10, 15},
                             {"3点半", "3点半", 2026, 12, 9, 3, 30},
                             {"後天", "後天", 2026, 12, 11},
                             {"下周三见", "下周三", 2026, 12, 16},
                             {"下星期三", "下星期三", 2026, 12, 16},
                             {"上周五", "上周五", 2026, 12, 4},
                             {"3天后", "3天后", 2026, 12, 12},
                             {"两天前", "两天前", 2026, 12, 7},
                             {"半小时后出发", "半小时后", kFromReference, 0, 0, 0, 30},
                             {"星期五下午3点", "星期五下午3点", 2026, 12, 11, 15},
                             {"2027年3月12号", "2027年3月12号", 2027, 3, 12},
                         });
  expectNone("zh_CN", {"我有3个苹果。", "他们一共三个人。"});
}

// English is read beside every other language.
TEST_F(DateLanguages, EnglishBesideEachLanguage) {
  for (const char* locale : {"de_DE", "fr_FR", "es_ES", "ja_JP", "zh_CN", "ru_RU"}) {
    auto found = scan(locale, "see you next Friday");
    ASSERT_EQ(found.size(), 1u) << locale;
    EXPECT_EQ(found[0].text, "next Friday") << locale;
  }
}

}  // namespace
