#!/usr/bin/env bash
# Desenha a planta do Monte do Templo no tempo de Jesus (imagem inicial da
# janela de mapas). Coordenadas em metros com a origem no canto sudoeste da
# esplanada: x para leste, y para norte. Na folha, o leste fica para cima
# (o santuário se abre para o nascente) e o norte à esquerda.
# Os átrios interiores estão um pouco ampliados para a leitura; as demais
# medidas são aproximadas.
# A folha tem o tamanho em que a janela a mostra (553 x 425 px, 1 pt = 1,76 px): nenhum
# nome tem menos de 8,5 pt, para que as maiúsculas tenham ao menos 10 px. Depois do
# desenho, content/mapas/conferir-rotulos.sh aponta os nomes que tocam outro nome ou uma
# linha, e o script termina com erro se houver algum.
# Uso: bash src/resources/desenhar-templo.sh  ->  src/resources/templo.jpg
set -euo pipefail
AQUI=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export GMT_SESSION_NAME="templo$$"

PAPEL='#f4ecd8'; FAIXA='#6b2a1b'; MOLDURA='#5a3a1a'; CHAO='#f1e7cf'
LAJE='#efe3c2'; PORTICO='#d8bf8c'; ATRIO='#e8d39f'; ATRIO2='#dcc083'
SANTO='#c59b45'; ALTAR='#9c4a25'; ANTONIA='#b8875a'; MURO='#5a3a1a'
NOME='8.5p,Palatino-Roman,#2a1a0a'; NOME_B='8.5p,Palatino-Bold,#4a2a10'

l1() { iconv -f utf-8 -t latin1; }
# (x leste, y norte) -> folha (leste para cima, norte à esquerda)
gira() { awk 'BEGIN { OFS = "\t" } /^>/ || NF < 2 { print; next } { x = $1; $1 = -$2; $2 = x; print }' FS='[\t ]' ; }

# Nomes: o texto no desenho; na conferência, só a caixa de cada um, ou nada (como em
# content/mapas/desenhar.sh)
rotular() {
	case "$CAMADA" in
		desenho) l1 | gmt text "$@" ;;
		sem_rotulos) cat > /dev/null ;;
		caixas) sed -E 's/^([^\t]*\t[^\t]*\t[0-9.]+p,[^,\t]+)[^\t]*/\1,#ff00ff/' | l1 |
			gmt text "$@" -C10% -G#ff00ff -W0.5p,#0000ff ;;
	esac
}

planta() { # camada saída
	CAMADA=$1
	gmt begin "$2" png E500
	gmt set PS_CHAR_ENCODING ISOLatin1+ MAP_FRAME_PEN 0.8p,$MOLDURA

	# Folha de 11,06 x 8,5 cm (553 x 425 px) e faixa do título
	gmt plot -R0/11.06/0/8.5 -JX11.06c/8.5c -G$PAPEL -W0 -B+n <<-FIM
	0 0
	11.06 0
	11.06 8.5
	0 8.5
	FIM
	gmt plot -G$FAIXA -W0.6p,$MOLDURA <<-FIM
	0.15 7.3
	10.91 7.3
	10.91 8.35
	0.15 8.35
	FIM
	printf '5.53 7.99 O Monte do Templo no Tempo de Jesus\n' | l1 | gmt text -F+f13p,Palatino-Bold,#fbf3df+jCM
	printf '5.53 7.55 Planta do santuário de Herodes (medidas aproximadas)\n' | l1 |
		gmt text -F+f8.5p,Palatino-Italic,#ead7b0+jCM

	# Planta: 10,76 x 7 cm, mesma escala nos dois eixos (folha: -y, x)
	R=-585/60.5/-80/340
	J=X10.76c/7c
	gmt plot -R$R -J$J -X0.15c -Y0.15c -G$CHAO -W0 <<-FIM
	-585 -80
	60.5 -80
	60.5 340
	-585 340
	FIM

	# Esplanada e pórticos
	gira < "$TMP/esplanada.txt" | gmt plot -G$LAJE -W0
	gira <<-FIM | gmt plot -G$PORTICO -W0.3p,$MURO
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
	gira < "$TMP/esplanada.txt" | gmt plot -L -W1.8p,$MURO

	# Balaustrada (soreg) e átrios interiores
	gira <<-FIM | gmt plot -W0.6p,#8b3a2a,2_2:0 -L
	40 200
	272 200
	272 340
	40 340
	FIM
	gira <<-FIM | gmt plot -G$ATRIO -W0.9p,$MURO
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
	gira <<-FIM | gmt plot -G$ATRIO2 -W0.4p,$MURO
	120 238
	182 238
	182 302
	120 302
	FIM
	# Santuário: vestíbulo, Santo Lugar e Santo dos Santos; altar
	gira <<-FIM | gmt plot -G$SANTO -W0.7p,#4a2a10
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
	gira <<-FIM | gmt plot -G#8a6424 -W0.5p,#4a2a10
	70 252
	88 252
	88 288
	70 288
	FIM
	gira <<-FIM | gmt plot -G$ALTAR -W0.5p,#4a2a10
	145 259
	165 259
	165 281
	145 281
	FIM
	# Aberturas das portas de Nicanor e Formosa
	gira <<-FIM | gmt plot -Sr -G$LAJE -W0.4p,$MURO
	185 270 0.28c 0.06c
	255 270 0.28c 0.06c
	FIM

	# Fortaleza Antônia com quatro torres (sem os nomes, clara: o nome vai sobre ela, e a
	# conferência procura linhas entre o que é escuro)
	local antonia=$ANTONIA
	[ "$CAMADA" = sem_rotulos ] && antonia=$LAJE
	gira <<-FIM | gmt plot -G$antonia -W1.1p,$MURO
	-40 488
	100 484
	102 545
	-38 549
	FIM
	gira <<-FIM | gmt plot -Ss0.2c -G$ANTONIA -W0.8p,$MURO
	-40 488
	100 484
	102 545
	-38 549
	FIM

	# Escadaria do Arco de Robinson e ponte do Arco de Wilson
	gira <<-FIM | gmt plot -G#cdb383 -W0.4p,$MURO
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
	# Portas da esplanada: Hulda (duas), Oriental, Norte
	gira <<-FIM | gmt plot -Ss0.14c -G#fbf3df -W0.7p,$MURO
	95 0
	165 0
	299 300
	150 475
	FIM

	# Chamadas: do ponto (na folha: x = -norte, y = leste) até o nome na coluna do Átrio dos
	# Gentios
	gmt plot -W0.4p,#4a2a10 <<-FIM
	>
	-270 79
	-196 79
	>
	-270 107
	-196 107
	>
	-270 155
	-196 155
	>
	-270 178
	-196 178
	FIM

	# Nomes (coordenadas já na folha). Os do átrio interior ficam na coluna do Átrio dos
	# Gentios, ligados às chamadas acima.
	rotular -F+f+a+j <<-FIM
	-116	247	$NOME_B	0	CM	ÁTRIO DOS
	-116	223	$NOME_B	0	CM	GENTIOS
	-190	79	$NOME	0	LM	Santo dos Santos
	-190	107	$NOME	0	LM	Santuário
	-190	155	$NOME	0	LM	Altar
	-190	178	$NOME	0	LM	Átrio de Israel
	-190	52	8.5p,Palatino-Italic,#8b3a2a	0	LM	Balaustrada
	-270	232	$NOME	0	CM	Átrio das
	-270	208	$NOME	0	CM	Mulheres
	-47	140	$NOME_B	90	CM	Pórtico Real
	-150	322	$NOME_B	0	CM	Pórtico de Salomão
	-330	318	$NOME	0	CB	Porta Oriental
	-507	190	$NOME	90	CM	Porta Norte
	-530	31	8.5p,Palatino-Bold,#fbf3df	90	CM	Fortaleza
	-502	31	8.5p,Palatino-Bold,#fbf3df	90	CM	Antônia
	23	130	$NOME	90	CM	Portas de Hulda
	-40	-62	$NOME	0	CM	Arco de Robinson
	-226	-36	$NOME	0	RM	Arco de Wilson
	FIM

	# Norte (à esquerda) e escala de 100 m
	gmt plot -Sv0.22c+e+a50 -W0.9p,$MURO -G$MURO <<-FIM
	-390 -62 180 0.65c
	FIM
	printf -- '-433\t-62\t8.5p,Palatino-Bold,%s\t0\tRM\tN\n' "$MURO" | rotular -F+f+a+j
	gmt plot -W0.9p,$MURO <<-FIM
	-565 -70
	-465 -70
	FIM
	gmt plot -Sy0.1c -W0.9p,$MURO <<-FIM
	-565 -70
	-515 -70
	-465 -70
	FIM
	printf -- '-515\t-62\t8.5p,Palatino-Roman,%s\t0\tCB\t100 m\n' "$MURO" | rotular -F+f+a+j
	gmt basemap -B0 --MAP_FRAME_PEN=0.8p,$MOLDURA
	gmt end
}

cat > "$TMP/esplanada.txt" <<FIM
0 0
281 0
310 462
10 488
FIM
cd "$TMP"
planta desenho templo
planta sem_rotulos sem_rotulos
planta caixas caixas
/usr/bin/convert templo.png -resize '553x425!' -strip -interlace none -sampling-factor 2x2 -quality 86 "$AQUI/templo.jpg"
echo "templo.jpg: $(stat -c %s "$AQUI/templo.jpg") bytes"
bash "$AQUI/../../content/mapas/conferir-rotulos.sh" templo sem_rotulos.png caixas.png templo.png 553
