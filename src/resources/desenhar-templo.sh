#!/usr/bin/env bash
# Desenha a planta do Monte do Templo no tempo de Jesus (imagem inicial da
# janela de mapas). Coordenadas em metros com a origem no canto sudoeste da
# esplanada: x para leste, y para norte. Na folha, o leste fica para cima
# (o santuário se abre para o nascente) e o norte à esquerda.
# Os átrios interiores estão um pouco ampliados para a leitura; as demais
# medidas são aproximadas.
# Uso: bash src/resources/desenhar-templo.sh  ->  src/resources/templo.jpg
set -euo pipefail
AQUI=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export GMT_SESSION_NAME="templo$$"

PAPEL='#f4ecd8'; FAIXA='#6b2a1b'; MOLDURA='#5a3a1a'; CHAO='#f1e7cf'
LAJE='#efe3c2'; PORTICO='#d8bf8c'; ATRIO='#e8d39f'; ATRIO2='#dcc083'
SANTO='#c59b45'; ALTAR='#9c4a25'; ANTONIA='#b8875a'; MURO='#5a3a1a'

l1() { iconv -f utf-8 -t latin1; }
# (x leste, y norte) -> folha (leste para cima, norte à esquerda)
gira() { awk 'BEGIN { OFS = "\t" } /^>/ || NF < 2 { print; next } { x = $1; $1 = -$2; $2 = x; print }' FS='[\t ]' ; }

cd "$TMP"
gmt begin templo png E500
gmt set PS_CHAR_ENCODING ISOLatin1+ MAP_FRAME_PEN 0.8p,$MOLDURA

# Folha de 11,06 x 8,5 cm (553 x 425 px) e faixa do título
gmt plot -R0/11.06/0/8.5 -JX11.06c/8.5c -G$PAPEL -W0 -B+n <<FIM
0 0
11.06 0
11.06 8.5
0 8.5
FIM
gmt plot -G$FAIXA -W0.6p,$MOLDURA <<FIM
0.15 7.45
10.91 7.45
10.91 8.35
0.15 8.35
FIM
printf '5.53 8.02 O Monte do Templo no Tempo de Jesus\n' | l1 | gmt text -F+f13p,Palatino-Bold,#fbf3df+jCM
printf '5.53 7.64 Planta do santuário de Herodes (medidas aproximadas)\n' | l1 |
	gmt text -F+f7p,Palatino-Italic,#ead7b0+jCM

# Planta: 10,76 x 7,15 cm, mesma escala nos dois eixos (folha: -y, x)
R=-625/130/-150/351.9
J=X10.76c/7.15c
gmt plot -R$R -J$J -X0.15c -Y0.15c -G$CHAO -W0 <<FIM
-625 -150
130 -150
130 351.9
-625 351.9
FIM

# Vales vizinhos
gira <<FIM | gmt plot -W1p,#6f9cc0,5_3:0
> Cedrom
340 600
336 420
332 250
330 80
325 -130
> Tiropeon
-125 600
-95 420
-60 250
-42 100
-35 -130
FIM

# Esplanada e pórticos
cat > esplanada.txt <<FIM
0 0
281 0
310 462
10 488
FIM
gira < esplanada.txt | gmt plot -G$LAJE -W0
gira <<FIM | gmt plot -G$PORTICO -W0.3p,$MURO
>
0 0
281 0
283 32
1 32
>
281 0
310 462
294 463
266 30
>
310 462
10 488
9 472
294 448
>
10 488
0 0
15 30
24 473
FIM
awk 'BEGIN {
	for (x = 14; x <= 270; x += 16) { print x, 9; print x, 22 }
	for (t = 0.09; t <= 0.95; t += 0.045) print 281 + t*29 - 7, t*462 + 12
	for (t = 0.06; t <= 0.95; t += 0.055) print 310 - t*300, 462 + t*26 - 7
	for (t = 0.09; t <= 0.95; t += 0.045) print t*10 + 8, t*488
}' | gira | gmt plot -Sc0.035c -G#7a5a32
gira < esplanada.txt | gmt plot -L -W1.8p,$MURO

# Balaustrada (soreg) e átrios interiores
gira <<FIM | gmt plot -W0.6p,#8b3a2a,2_2:0 -L
40 200
272 200
272 340
40 340
FIM
gira <<FIM | gmt plot -G$ATRIO -W0.9p,$MURO
>
55 225
185 225
185 315
55 315
>
185 225
255 225
255 315
185 315
FIM
gira <<FIM | gmt plot -G$ATRIO2 -W0.4p,$MURO
120 238
182 238
182 302
120 302
FIM
# Santuário: vestíbulo, Santo Lugar e Santo dos Santos; altar
gira <<FIM | gmt plot -G$SANTO -W0.7p,#4a2a10
>
125 236
136 236
136 304
125 304
>
70 252
125 252
125 288
70 288
FIM
gira <<FIM | gmt plot -G#8a6424 -W0.5p,#4a2a10
70 252
88 252
88 288
70 288
FIM
gira <<FIM | gmt plot -G$ALTAR -W0.5p,#4a2a10
145 259
165 259
165 281
145 281
FIM
# Aberturas das portas de Nicanor e Formosa
gira <<FIM | gmt plot -Sr -G$LAJE -W0.4p,$MURO
185 270 0.28c 0.06c
255 270 0.28c 0.06c
FIM

# Fortaleza Antônia com quatro torres
gira <<FIM | gmt plot -G$ANTONIA -W1.1p,$MURO
-40 488
100 484
102 545
-38 549
FIM
gira <<FIM | gmt plot -Ss0.2c -G$ANTONIA -W0.8p,$MURO
-40 488
100 484
102 545
-38 549
FIM

# Escadaria do Arco de Robinson e ponte do Arco de Wilson
gira <<FIM | gmt plot -G#cdb383 -W0.4p,$MURO
>
0 18
-28 18
-28 -30
-14 -30
-14 32
0 32
>
0 200
-62 200
-62 216
0 216
FIM
# Portas da esplanada
gira <<FIM | gmt plot -Ss0.14c -G#fbf3df -W0.7p,$MURO
95 0
165 0
299 300
150 475
0 85
FIM

# Nomes (coordenadas já na folha: x = -norte, y = leste)
l1 <<FIM | gmt text -F+f+a+j
-110	150	8.5p,Palatino-Bold,#4a2a10	90	CM	ÁTRIO DOS GENTIOS
-16	240	6p,Palatino-Bold,#4a2a10	90	CM	Pórtico Real
-160	294	6p,Palatino-Bold,#4a2a10	-3.5	CM	Pórtico de Salomão
-255	12	5.5p,Palatino-Bold,#4a2a10	0	CM	Pórtico
-270	227	6p,Palatino-Bold,#4a2a10	0	CM	Átrio das
-270	213	6p,Palatino-Bold,#4a2a10	0	CM	Mulheres
-270	62	5.5p,Palatino-Italic,#4a2a10	0	CM	Átrio de Israel
-254	155	5.5p,Palatino-Bold,#4a2a10	0	LM	Altar
-270	24	5.5p,Palatino-Italic,#8b3a2a	0	CM	Balaustrada
-519	30	6.5p,Palatino-Bold,#fbf3df	90	CM	Fortaleza Antônia
-380	-122	8p,Palatino-Roman,#8b3a2a	0	CM	CIDADE ALTA
65	-137	6p,Palatino-Roman,#8b3a2a	0	CM	CIDADE BAIXA
-520	-92	6p,Palatino-Italic,#2f5f85=~1p,#f1e7cf	8	CM	Vale do Tiropeon
-545	322	6p,Palatino-Italic,#2f5f85=~1p,#f1e7cf	0	CM	Vale do Cedrom
-60	343	6p,Palatino-Roman,#8b3a2a	0	CM	Monte das Oliveiras
FIM

# Chamadas: ponto, fim da linha, justificação, texto
cat > chamadas.txt <<FIM
-270	100	-400	110	RM	Santuário
-279	79	-400	70	RM	Santo dos Santos
0	95	40	120	CB	Portas de Hulda
0	165	40	120	-	-
10	-21	60	-95	CB	Arco de Robinson
-208	-50	-208	-75	CT	Arco de Wilson
-85	0	-85	-75	CT	Porta de Barclay
-300	299	-255	322	LM	Porta Oriental
-475	150	-540	180	CB	Porta Norte
FIM
awk -F'\t' '{ print ">"; print $1 "\t" $2; print $3 "\t" $4 }' chamadas.txt | gmt plot -W0.4p,#4a2a10
awk -F'\t' '$6 != "-" { printf "%s\t%s\t6.5p,Palatino-Roman,#2a1a0a=~1.2p,#f1e7cf\t0\t%s\t%s\n", $3, $4, $5, $6 }' chamadas.txt |
	l1 | gmt text -F+f+a+j -Dj0.04c

# Norte (à esquerda) e escala de 100 m
gmt plot -Sv0.22c+e+a50 -W0.9p,$MURO -G$MURO <<FIM
-525 250 180 0.65c
FIM
printf -- '-580 250 N\n' | gmt text -F+f8p,Palatino-Bold,$MURO+jRM
gmt plot -W0.9p,$MURO <<FIM
-610 -135
-510 -135
FIM
gmt plot -Sy0.1c -W0.9p,$MURO <<FIM
-610 -135
-560 -135
-510 -135
FIM
printf -- '-560 -128 100 m\n' | gmt text -F+f6p,Palatino-Roman,$MURO+jCB
gmt basemap -B0 --MAP_FRAME_PEN=0.8p,$MOLDURA
gmt end
/usr/bin/convert templo.png -resize '553x425!' -strip -interlace none -sampling-factor 2x2 -quality 86 "$AQUI/templo.jpg"
echo "templo.jpg: $(stat -c %s "$AQUI/templo.jpg") bytes"
