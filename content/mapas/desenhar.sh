#!/usr/bin/env bash
# Desenha os mapas históricos do Tovelo com o GMT a partir das linhas de
# costa, lagos e rios da base GSHHG instalada com o GMT (sem rede).
#
# Dados (nesta pasta):
#   lugares.tsv  cidades, montes e locais (nome, longitude, latitude, tipo, mapas)
#   rotulos.tsv  nomes de regiões, mares e rios
#   rotas.tsv    viagens, desenhadas como linhas coloridas com setas
#   regioes.tsv  áreas (tribos, reinos) e linhas (muralhas, vales)
#
# Uso:  bash content/mapas/desenhar.sh            (todos os mapas)
#       bash content/mapas/desenhar.sh jesus roma (só alguns, pela chave)
#
# Cada mapa sai como JPEG de 1106 x 850 px nesta mesma pasta.
set -euo pipefail

AQUI=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export GMT_SESSION_NAME="tovelo$$"

# Paleta de atlas impresso
PAPEL='#f4ecd8'
TERRA='#efe3c2'
MAR='#b9d6e8'
COSTA='#4d7390'
RIO='#3f78ad'
FAIXA='#6b2a1b'
FAIXA_TEXTO='#fbf3df'
FAIXA_SUB='#ead7b0'
MOLDURA='#5a3a1a'

# Folha de 18,4 x 14,14 cm (1106 x 850 px); faixa do título no alto
LARG=18.4
ALT=14.14
MAPA_W=17.9
MAPA_H=12.2
MARGEM=0.25
PX_L=1106
PX_A=850

para_latin1() { iconv -f utf-8 -t latin1; }

# Região Mercator com o tamanho exato do quadro: centro, largura em graus
regiao() {
	awk -v l0="$1" -v p0="$2" -v d="$3" -v W="$MAPA_W" -v H="$MAPA_H" '
	function y(p,  r) { r = p * pi / 180; return log(sin(pi/4 + r/2) / cos(pi/4 + r/2)) }
	function inv(v) { return (2 * atan2(exp(v), 1) - pi / 2) * 180 / pi }
	BEGIN { pi = atan2(0, -1); k = W / (d * pi / 180); y0 = y(p0)
		printf "%.5f/%.5f/%.5f/%.5f", l0 - d/2, l0 + d/2, inv(y0 - H/2/k), inv(y0 + H/2/k) }'
}

# Lugares de um mapa: lon lat tipo posição nome
lugares_do_mapa() {
	awk -F'\t' -v m="$1" '
	/^#/ || NF < 5 { next }
	{ n = split($5, a, ",")
	  for (i = 1; i <= n; i++) {
		split(a[i], b, ":")
		if (b[1] == m) { pos = (b[2] == "" ? "E" : b[2]); print $2 "\t" $3 "\t" $4 "\t" pos "\t" $1 }
	  } }' "$AQUI/lugares.tsv"
}

# Rótulos de áreas: lon lat estilo tamanho ângulo texto
rotulos_do_mapa() {
	awk -F'\t' -v m="$1" '
	/^#/ || NF < 7 { next }
	{ n = split($7, a, ","); for (i = 1; i <= n; i++) if (a[i] == m) print $2 "\t" $3 "\t" $4 "\t" $5 "\t" $6 "\t" $1 }' "$AQUI/rotulos.tsv"
}

caneta_rota() { # cor traço
	case "$2" in
		tracejado) echo "1.8p,$1,7_4:0" ;;
		pontilhado) echo "1.8p,$1,2_3:0" ;;
		*) echo "1.8p,$1" ;;
	esac
}

# Rotas de um mapa em multissegmento GMT (pontos por nome ou coordenadas)
rotas_do_mapa() {
	awk -F'\t' -v m="$1" '
	FNR == NR { if ($0 !~ /^#/ && NF >= 3) pos[$1] = $2 " " $3; next }
	/^#/ || NF < 5 || $1 != m { next }
	{ pen = "1.8p," $2
	  if ($3 == "tracejado") pen = pen ",7_4:0"
	  if ($3 == "pontilhado") pen = pen ",2_3:0"
	  print "> -W" pen
	  n = split($5, p, ";")
	  for (i = 1; i <= n; i++) {
		if (p[i] ~ /^-?[0-9.]+ -?[0-9.]+$/) print p[i]
		else if (p[i] in pos) print pos[p[i]]
		else { print "lugar desconhecido na rota: " p[i] > "/dev/stderr"; exit 1 }
	  } }' "$AQUI/lugares.tsv" "$AQUI/rotas.tsv"
}

# Áreas ou linhas de um mapa
regioes_do_mapa() { # mapa tipo
	awk -F'\t' -v m="$1" -v t="$2" '
	/^#/ || NF < 6 || $1 != m || $2 != t { next }
	{ h = ">"
	  if ($3 != "-") h = h " -G" $3
	  h = h ($4 != "-" ? " -W" $4 : " -W-")
	  print h
	  n = split($6, p, ";"); for (i = 1; i <= n; i++) print p[i] }' "$AQUI/regioes.tsv"
}

# Legenda: rotas e áreas com texto de legenda, sem repetições
legenda_do_mapa() {
	awk -F'\t' -v m="$1" '
	/^#/ { next }
	FILENAME ~ /regioes/ && $1 == m && $5 != "-" && NF >= 6 && !visto[$5]++ {
		if ($2 == "area") print "S 0.35c s 0.42c " $3 " 0.5p,#5a3a1a 0.8c " $5
		else print "S 0.35c - 0.6c - " $4 " 0.8c " $5
	}
	FILENAME ~ /rotas/ && $1 == m && !visto[$4]++ {
		pen = "1.8p," $2
		if ($3 == "tracejado") pen = pen ",7_4:0"
		if ($3 == "pontilhado") pen = pen ",2_3:0"
		print "S 0.35c - 0.6c - " pen " 0.8c " $4
	}' "$AQUI/regioes.tsv" "$AQUI/rotas.tsv"
}

# Setas ao longo das rotas, a cada ~3 cm de percurso (coordenadas do papel)
setas() { # arquivo projetado em cm
	awk '
	/^>/ { if (n) flush(); split($2, c, ","); hdr = "> -G" c[2] " -W0.6p," c[2]; n = 0; next }
	{ n++; x[n] = $1; y[n] = $2 }
	END { if (n) flush() }
	function flush(   i, L, s, d, seg, alvo, dx, dy, t) {
		L = 0
		for (i = 2; i <= n; i++) { d[i] = sqrt((x[i]-x[i-1])^2 + (y[i]-y[i-1])^2); L += d[i] }
		if (L < 0.9) return
		print hdr
		passo = (L < 4) ? L / 2 : 3.2
		alvo = (L < 4) ? L / 2 : 1.6
		s = 0
		for (i = 2; i <= n; i++) {
			while (alvo <= s + d[i] && alvo < L - 0.3) {
				t = (alvo - s) / d[i]; dx = x[i] - x[i-1]; dy = y[i] - y[i-1]
				printf "%.4f %.4f %.2f 0.34\n", x[i-1] + t*dx + 0.17*dx/d[i], y[i-1] + t*dy + 0.17*dy/d[i], atan2(dy, dx) * 180 / atan2(0, -1)
				alvo += passo
			}
			s += d[i]
		}
	}' "$1"
}

desenhar() {
	local chave=$1 arquivo=$2 res=$3 lon0=$4 lat0=$5 dlon=$6 titulo=$7 sub=$8 pos_leg=$9 pos_esc=${10} esc=${11}
	local R J
	R=$(regiao "$lon0" "$lat0" "$dlon")
	J="M$lon0/${MAPA_W}c"
	local d="$TMP/$chave"
	mkdir -p "$d"

	lugares_do_mapa "$chave" > "$d/lugares.txt"
	rotulos_do_mapa "$chave" > "$d/rotulos.txt"
	rotas_do_mapa "$chave" > "$d/rotas.txt"
	regioes_do_mapa "$chave" area > "$d/areas.txt"
	regioes_do_mapa "$chave" linha > "$d/linhas.txt"
	legenda_do_mapa "$chave" | para_latin1 > "$d/legenda.txt"

	local rios="-Ir/0.8p,$RIO"
	local area="-A0"
	case "$res" in
		i) rios="-I1/1p,$RIO -I2/0.8p,$RIO"; area="-A20" ;;
		h) rios="-I1/1p,$RIO -I2/0.8p,$RIO -I3/0.6p,$RIO"; area="-A5" ;;
	esac

	(
	cd "$d"
	gmt begin mapa png E220
	gmt set PS_CHAR_ENCODING ISOLatin1+ MAP_FRAME_TYPE plain MAP_FRAME_PEN 1p,$MOLDURA \
		FONT_ANNOT_PRIMARY 8p,Palatino-Roman,black FONT_LABEL 8p,Palatino-Roman,black \
		MAP_SCALE_HEIGHT 5p MAP_TICK_PEN_PRIMARY 0.6p,black

	# Folha e faixa do título
	gmt plot -R0/$LARG/0/$ALT -JX${LARG}c/${ALT}c -G$PAPEL -W0 -B+n <<-FIM
	0 0
	$LARG 0
	$LARG $ALT
	0 $ALT
	FIM
	local topo_mapa
	topo_mapa=$(awk -v a="$MARGEM" -v h="$MAPA_H" 'BEGIN { print a + h + 0.18 }')
	gmt plot -G$FAIXA -W0.8p,$MOLDURA <<-FIM
	$MARGEM $topo_mapa
	$(awk -v l="$LARG" -v a="$MARGEM" 'BEGIN { print l - a }') $topo_mapa
	$(awk -v l="$LARG" -v a="$MARGEM" 'BEGIN { print l - a }') $(awk -v t="$ALT" -v a="$MARGEM" 'BEGIN { print t - a + 0.05 }')
	$MARGEM $(awk -v t="$ALT" -v a="$MARGEM" 'BEGIN { print t - a + 0.05 }')
	FIM
	printf '%s\t%s\t%s\n' "$(awk -v l="$LARG" 'BEGIN { print l / 2 }')" \
		"$(awk -v t="$topo_mapa" 'BEGIN { print t + 0.84 }')" "$titulo" | para_latin1 |
		gmt text -F+f18p,Palatino-Bold,$FAIXA_TEXTO+jCM
	printf '%s\t%s\t%s\n' "$(awk -v l="$LARG" 'BEGIN { print l / 2 }')" \
		"$(awk -v t="$topo_mapa" 'BEGIN { print t + 0.27 }')" "$sub" | para_latin1 |
		gmt text -F+f9.5p,Palatino-Italic,$FAIXA_SUB+jCM

	# Terra, áreas históricas, mar por cima das áreas, costa e rios
	gmt coast -R$R -J$J -X${MARGEM}c -Y${MARGEM}c -D$res $area -G$TERRA -S$MAR -C$MAR
	if [ -s areas.txt ]; then
		gmt plot areas.txt -t45
		gmt plot areas.txt -W0.6p,#6b4a2a
	fi
	gmt coast -D$res $area -S$MAR -C$MAR -W1/0.6p,$COSTA -W2/0.5p,$COSTA $rios
	gmt basemap -Bxg1 -Byg1 --MAP_GRID_PEN_PRIMARY=0.25p,#9bb3c4@40 -B+n 2>/dev/null || true
	if [ -s linhas.txt ]; then gmt plot linhas.txt; fi

	# Rótulos das áreas (por baixo das cidades)
	if [ -s rotulos.txt ]; then
		awk -F'\t' -v terra="$TERRA" -v mar="$MAR" '{
			e = $3; f = "Palatino-Roman"; c = "#8b3a2a"; halo = ""
			if (e == "regiao") { f = "Palatino-Roman"; c = "#8b3a2a" }
			else if (e == "tribo") { f = "Palatino-Bold"; c = "#4a2a10"; halo = "=~1.2p,#f6efdc" }
			else if (e == "reino") { f = "Palatino-Bold"; c = "#4a2a10"; halo = "=~1.2p,#f6efdc" }
			else if (e == "templo") { f = "Palatino-Bold"; c = "#4a2a10" }
			else if (e == "agua") { f = "Palatino-Italic"; c = "#2f5f85" }
			else if (e == "rio") { f = "Palatino-Italic"; c = "#2f5f85"; halo = "=~1.2p," terra }
			else if (e == "ilha") { f = "Palatino-Italic"; c = "#4a3a2a" }
			else if (e == "nota") { f = "Palatino-Italic"; c = "#3a2a1a"; halo = "=~1.2p," terra }
			printf "%s\t%s\t%sp,%s,%s%s\t%s\tCM\t%s\n", $1, $2, $4, f, c, halo, $5, $6 }' rotulos.txt |
			para_latin1 | gmt text -F+f+a+j
	fi

	# Rotas com setas
	if [ -s rotas.txt ]; then
		gmt plot rotas.txt
		gmt mapproject rotas.txt -R$R -J$J > rotas_cm.txt
		setas rotas_cm.txt > setas.txt
		if [ -s setas.txt ]; then
			gmt plot setas.txt -R0/$MAPA_W/0/$MAPA_H -JX${MAPA_W}c/${MAPA_H}c -Sv0.34c+e+a50+h0.4 -W0.8p
			gmt plot -R$R -J$J -T
		fi
	fi

	# Lugares: símbolos e nomes
	if [ -s lugares.txt ]; then
		awk -F'\t' '$3 == "capital" { print $1, $2 }' lugares.txt > capitais.txt
		awk -F'\t' '$3 == "cidade" { print $1, $2 }' lugares.txt > cidades.txt
		awk -F'\t' '$3 == "monte" { print $1, $2 }' lugares.txt > montes.txt
		awk -F'\t' '$3 == "local" { print $1, $2 }' lugares.txt > locais.txt
		[ -s montes.txt ] && gmt plot montes.txt -St0.30c -G#7a5230 -W0.5p,#f6efdc
		[ -s cidades.txt ] && gmt plot cidades.txt -Sc0.17c -Gblack -W0.6p,#f6efdc
		[ -s locais.txt ] && gmt plot locais.txt -Sc0.16c -G#8b1a1a -W0.6p,#f6efdc
		if [ -s capitais.txt ]; then
			gmt plot capitais.txt -Sc0.27c -Gblack -W0.6p,#f6efdc
			gmt plot capitais.txt -Sc0.10c -G#f6efdc
		fi
		awk -F'\t' -v terra="$TERRA" '
		BEGIN { j["E"]="LM"; j["W"]="RM"; j["N"]="CB"; j["S"]="CT"; j["NE"]="LB"; j["NW"]="RB"; j["SE"]="LT"; j["SW"]="RT" }
		{ t = $3; f = "9p,Palatino-Roman,black"
		  if (t == "capital") f = "10.5p,Palatino-Bold,black"
		  else if (t == "monte") f = "8.5p,Palatino-Italic,#5a3414"
		  else if (t == "local") f = "8.5p,Palatino-Bold,#5a1a0a"
		  printf "%s\t%s\t%s=~1.6p,%s\t%s\t%s\n", $1, $2, f, terra, j[$4], $5 }' lugares.txt |
			para_latin1 | gmt text -F+f+j -DJ0.16c
	fi

	# Escala e legenda
	gmt basemap -Lj${pos_esc}+o0.35c/0.35c+c$lat0+w${esc}+u -F+gwhite@25+p0.5p,$MOLDURA+c0.12c/0.12c/0.12c/0.12c
	if [ -s legenda.txt ]; then
		gmt legend legenda.txt -Dj${pos_leg}+o0.3c/0.3c -F+g#fbf6ea@10+p0.6p,$MOLDURA+c0.12c \
			--FONT_ANNOT_PRIMARY=8.5p,Palatino-Roman,black
	fi
	if [ -n "${NOTA:-}" ]; then
		printf '%s\n' "$NOTA" | para_latin1 | gmt text -F+cBR+f8p,Palatino-Italic,#3a2a1a -Dj0.3c/0.3c \
			-Gwhite@25 -W0.5p,$MOLDURA -C0.15c/0.1c
	fi
	gmt basemap -B0 --MAP_FRAME_PEN=1.2p,$MOLDURA
	gmt end
	)
	/usr/bin/convert "$d/mapa.png" -resize "${PX_L}x${PX_A}!" -strip -interlace none \
		-sampling-factor 2x2 -quality 85 "$AQUI/$arquivo"
	echo "$arquivo: $(stat -c %s "$AQUI/$arquivo") bytes"
}

# chave | arquivo | resolução | centro lon | centro lat | largura (graus) | título | subtítulo | legenda | escala | comprimento da escala
MAPAS=$(cat <<'FIM'
jesus	terra-santa-jesus.jpg	f	35.40	32.30	4.6	A Terra Santa no Tempo de Jesus	A Palestina romana, c. 4 a.C. a 30 d.C.	TR	BL	25k
exodo	exodo.jpg	h	33.70	30.00	7.0	O Êxodo: do Egito a Canaã	A saída do Egito e os quarenta anos no deserto (rota tradicional)	TL	BR	50k
tribos	doze-tribos.jpg	f	35.40	32.25	4.2	As Doze Tribos de Israel	A partilha da terra nos dias de Josué	TL	BL	25k
reinos	reinos-israel-juda.jpg	f	35.55	32.25	4.8	Os Reinos de Israel e Judá	O reino dividido, c. 930 a 722 a.C.	TL	BL	25k
paulo1	paulo-primeira-viagem.jpg	h	33.50	36.50	9.0	A Primeira Viagem Missionária de Paulo	Atos 13 e 14	BL	BR	100k
paulo2	paulo-segunda-viagem.jpg	h	29.20	36.50	19.5	A Segunda Viagem Missionária de Paulo	Atos 15.36 a 18.22	BL	BC	200k
paulo3	paulo-terceira-viagem.jpg	h	29.20	36.50	19.5	A Terceira Viagem Missionária de Paulo	Atos 18.23 a 21.17	BL	BC	200k
roma	paulo-viagem-roma.jpg	i	23.00	37.00	27.0	A Viagem de Paulo a Roma	Atos 27 e 28	BL	BC	300k
igrejas	sete-igrejas-asia.jpg	f	27.85	38.40	4.6	As Sete Igrejas da Ásia	Apocalipse 1 a 3	BR	BL	25k
jerusalem	jerusalem-tempo-jesus.jpg	f	35.235	31.776	0.034	Jerusalém no Tempo de Jesus	A cidade no século I d.C. (localizações aproximadas)	BR	BL	200e
galileia	ministerio-galileia.jpg	f	35.50	32.85	1.45	O Ministério de Jesus na Galileia	Mateus 4 a 18; Marcos 1 a 9; Lucas 4 a 9	BR	BL	10k
abraao	jornada-abraao.jpg	i	38.50	33.30	19.5	A Jornada de Abraão	De Ur dos caldeus a Canaã e ao Egito (Gênesis 11 a 13)	BL	BC	200k
exilio	exilio-babilonia.jpg	i	41.00	33.90	17.5	O Exílio na Babilônia	As deportações de Israel (722 a.C.) e de Judá (597 a 586 a.C.)	BL	BC	200k
davi	reino-davi-salomao.jpg	h	36.30	32.70	12.0	O Reino de Davi e Salomão	O reino unido, c. 1000 a 930 a.C.	BL	BR	100k
FIM
)

pedidos=" $* "
while IFS=$'\t' read -r chave arquivo res lon0 lat0 dlon titulo sub pos_leg pos_esc esc; do
	[ -z "$chave" ] && continue
	if [ $# -gt 0 ] && [[ "$pedidos" != *" $chave "* ]]; then continue; fi
	NOTA=""
	[ "$chave" = tribos ] && NOTA="Levi não recebeu território: habitou em 48 cidades entre as tribos."
	desenhar "$chave" "$arquivo" "$res" "$lon0" "$lat0" "$dlon" "$titulo" "$sub" "$pos_leg" "$pos_esc" "$esc"
done <<< "$MAPAS"
